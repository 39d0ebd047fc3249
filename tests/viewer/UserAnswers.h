// Answers the program's questions through its message slot (Yes while Yes is set, else No)
// and records "title|text" of everything it was told or asked.
#pragma once

#include "UUtilsW.h"

#include <functional>
#include <string>
#include <vector>

struct UserAnswers {
    UserAnswers() {
        Old = SetUserMessageHandler([this](int, const std::wstring& Title, const std::wstring& Text, int Buttons) {
            Told.push_back(Title + L"|" + Text);
            if (OnAsk)
                OnAsk();
            return Buttons != mbYesNo || Yes;
        });
    }
    ~UserAnswers() { SetUserMessageHandler(Old); }
    UserAnswers(const UserAnswers&) = delete;
    UserAnswers& operator=(const UserAnswers&) = delete;

    bool Yes = false;
    std::vector<std::wstring> Told;
    std::function<void()> OnAsk; // runs while the message is up
    TUserMessageHandler Old;
};
