#pragma once
// Test support: records every message box the installer would show to the user, instead of showing
// it, and answers each with a fixed button.

#include <string>
#include <vector>

#include "base/UserMessage.h"

class CUserMessageRecorder
{
public:
    explicit CUserMessageRecorder(int answer)
        : m_previous(SetUserMessageHandler([this, answer](HWND, const std::string& text, const std::string& caption,
                                                          UINT) {
              shown.push_back(caption + "|" + text);
              texts.push_back(text);
              return answer;
          }))
    {
    }
    ~CUserMessageRecorder() { (void)SetUserMessageHandler(m_previous); }
    CUserMessageRecorder(const CUserMessageRecorder&) = delete;
    CUserMessageRecorder& operator=(const CUserMessageRecorder&) = delete;

    std::vector<std::string> shown;                           // "caption|text"
    std::vector<std::string> texts;

private:
    UserMessageHandler m_previous;
};
