#include "framework/Application.h"

#include <exception>

#include "framework/Error.h"
#include "framework/Form.h"

TApplication* Application = nullptr;

void TApplication::ReleaseForms()
{
    while (!m_forms.empty()) {
        TForm* form = m_forms.back();
        m_forms.pop_back();
        form->Release();
    }
}

void TApplication::ShowException(const TScreenText& message)
{
    ShowMessageBoxText(FormatErrorReport(message), TScreenText(Title), kMbOk | kMbIconError);
}

void TApplication::ShowException(const std::exception& error)
{
    if (auto* own = dynamic_cast<const EPelmError*>(&error))
        ShowException(own->Text());
    else
        ShowException(TScreenText(error.what()));
}

void TApplication::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(TScreenText("Unknown error"));
    }
}

void TApplication::DoDeactivate()
{
    if (OnDeactivate)
        Guard([this] { OnDeactivate(nullptr); });
}
