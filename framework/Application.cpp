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

void TApplication::ShowException(const std::string& message)
{
    ShowMessageBox(FormatErrorReportText(message), Title, kMbOk | kMbIconError);
}

void TApplication::Guard(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown error");
    }
}

void TApplication::DoDeactivate()
{
    if (OnDeactivate)
        Guard([this] { OnDeactivate(nullptr); });
}
