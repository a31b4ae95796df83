#pragma once

#include "core/base/Operator.h"

#include <deque>
#include <string>
#include <vector>

namespace nakilon::testsupport {

// Keeps every message and question a command shows, in order ("?" before a
// question); questions are answered from a queue, No when it runs dry.
class RecordingOperator : public Operator {
public:
    void answerNext(bool yes) { m_answers.push_back(yes); }

    void information(const std::string& text) override { shown.push_back(text); }
    bool confirm(const std::string& text) override {
        shown.push_back("? " + text);
        if (m_answers.empty())
            return false;
        const bool yes = m_answers.front();
        m_answers.pop_front();
        return yes;
    }
    void processEvents() override {}
    void repaintTransferGrid() override {}

    std::vector<std::string> shown;

private:
    std::deque<bool> m_answers;
};

} // namespace nakilon::testsupport
