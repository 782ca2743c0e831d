#pragma once
// A wizard dialog of a kind in the test's own process: a configuration file of the test's own, a
// top-level window standing in for the wizard frame, the dialog made by kind, created and shown in
// it, and the commands the dialog hands to the wizard, recorded in order.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/TestHelpers.h"
#include "ui/DialogKinds.h"
#include "ui/UiTestEnv.h"

class CDialogTest : public ::testing::Test
{
protected:
    // config: the configuration file's text; the product folder is the test's temporary folder.
    void Configure(const std::string& config)
    {
        ASSERT_TRUE(WriteTestFile(m_dir.File("kvinst.kvi"), config));
        ASSERT_TRUE(m_log.OpenLogFile());
        ASSERT_TRUE(m_config.Open(m_dir.File("kvinst.kvi").c_str(), nullptr, nullptr, false));
        m_context.ui = &m_env;
        m_frame = ::CreateWindowExA(0, "STATIC", "Dialog test frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                    640, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_frame);
    }

    void TearDown() override
    {
        m_dialog.reset();
        if (m_frame != nullptr)
        {
            (void)::DestroyWindow(m_frame);
        }
    }

    // Makes the dialog of the section's kind, creates it in the frame and shows it as the wizard does.
    CSkinDlg* Show(const std::string& section)
    {
        m_dialog = MakeDialogOfKind(m_context, section);
        if (!m_dialog)
        {
            return nullptr;
        }
        m_dialog->SetCommandPoster([this](const ObjectCommand& command) { m_posted.push_back(command); });
        (void)m_dialog->SetConfig(section);
        if (!m_dialog->Create(m_frame))
        {
            return nullptr;
        }
        Enter();
        return m_dialog.get();
    }

    // Enters the dialog again, as the wizard does on every showing.
    void Enter()
    {
        m_dialog->OnEnter(std::string());
        (void)m_dialog->PrepareShow();
        (void)::ShowWindow(m_dialog->Window(), SW_SHOW);
        (void)::EnableWindow(m_dialog->Window(), TRUE);
        Pump();
    }

    void Pump()
    {
        MSG message = {};
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (m_dialog == nullptr || !::IsDialogMessageA(m_dialog->Window(), &message))
            {
                (void)::TranslateMessage(&message);
                (void)::DispatchMessageA(&message);
            }
        }
    }

    HWND Control(int id) const { return ::GetDlgItem(m_dialog->Window(), id); }
    void Click(int id)
    {
        (void)::SendMessageA(Control(id), BM_CLICK, 0, 0);
        Pump();
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(Control(id)) != FALSE; }
    bool Checked(int id) const { return ::SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // The colour of the brush the dialog paints the control's background with.
    COLORREF BackColour(int id)
    {
        HDC dc = ::GetDC(Control(id));
        const auto brush = reinterpret_cast<HBRUSH>(
            ::SendMessageA(m_dialog->Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(Control(id))));
        (void)::ReleaseDC(Control(id), dc);
        LOGBRUSH info = {};
        return brush != nullptr && ::GetObjectA(brush, sizeof(info), &info) == sizeof(info) ? info.lbColor
                                                                                              : CLR_INVALID;
    }
    std::string File(const std::string& name) const { return m_dir.File(name); }

    CTempDir m_dir;
    CTempDirOverride m_temp{m_dir.Path()};
    CLog m_log;
    CLogLines m_lines{m_log};
    CConfigProfile m_config;
    CTestUiEnv m_env{m_log, m_config, m_dir.Path(), false};
    DialogContext m_context;
    HWND m_frame = nullptr;
    std::unique_ptr<CSkinDlg> m_dialog;
    std::vector<ObjectCommand> m_posted;
};
