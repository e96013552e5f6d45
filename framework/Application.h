#pragma once
// The application object: title, main form, the message loop, the general
// error report and application-wide events.
#include <exception>
#include <string>
#include <vector>

#include "framework/ScreenText.h"
#include "framework/Types.h"

class TForm;

class TApplication {
public:
    virtual ~TApplication() = default;

    std::string Title;
    std::string HelpFile; // spelled as the settings file's path (IProfile::PathCode); nothing opens it
    bool ShowMainForm = true;
    TNotifyEvent OnDeactivate; // the program as a whole lost activation

    TForm* MainForm() const { return m_forms.empty() ? nullptr : m_forms.front(); }
    // The first form registered becomes the main form; forms are released in
    // the reverse order at the end of the run.
    void AddForm(TForm* form) { m_forms.push_back(form); }
    void ReleaseForms();

    bool Terminated() const { return m_terminated; }
    virtual void Terminate() { m_terminated = true; }

    // A message box owned by the application; returns the button pressed.
    // Text and caption are the program's own fixed texts.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) = 0;
    // The same for a text that may hold parts from the system (a path).
    virtual int ShowMessageBoxText(const TScreenText& text, const TScreenText& caption, uint32_t flags)
    {
        return ShowMessageBox(text.Bytes(), caption.Bytes(), flags);
    }
    // The general error report: error icon, OK, caption = title, the text
    // with a full stop where it needs one.
    void ShowException(const TScreenText& message);
    // The report of a caught error; an EPelmError keeps its parts apart.
    void ShowException(const std::exception& error);
    // Runs a handler, turning what it raises into the error report.
    void Guard(const std::function<void()>& handler);

    void DoDeactivate();

private:
    std::vector<TForm*> m_forms;
    bool m_terminated = false;
};

extern TApplication* Application;

constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconError = 0x10;
