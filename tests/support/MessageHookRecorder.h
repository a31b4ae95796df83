#pragma once

#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <deque>
#include <optional>
#include <ostream>
#include <vector>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace nakilon::testsupport {

// Answers the program's boxes and file dialog for the length of a test and
// keeps what they showed. Questions are answered from a queue (No when it
// runs dry); the file dialog returns the queued choices (cancel when dry).
class MessageHookRecorder {
public:
    MessageHookRecorder() {
        testing::setMessageHook([this](const ShownMessage& message) {
            m_shown.push_back(message);
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                ++m_offTheWindowThread;
            if (message.kind != MessageKind::Warning || m_answers.empty())
                return false;
            const bool answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
        testing::setFileDialogHook([this](const QString& folder) -> std::optional<QString> {
            m_dialogFolders.push_back(folder);
            if (m_fileChoices.empty())
                return std::nullopt;
            const QString choice = m_fileChoices.front();
            m_fileChoices.pop_front();
            if (choice.isNull())
                return std::nullopt;
            return choice;
        });
    }
    ~MessageHookRecorder() {
        testing::setMessageHook({});
        testing::setFileDialogHook({});
    }
    MessageHookRecorder(const MessageHookRecorder&) = delete;
    MessageHookRecorder& operator=(const MessageHookRecorder&) = delete;

    void answerNext(bool yes) { m_answers.push_back(yes); }
    // A null QString() cancels the dialog.
    void chooseNextFile(const QString& name) { m_fileChoices.push_back(name); }

    const std::vector<ShownMessage>& shown() const { return m_shown; }
    // Boxes shown by another thread than the window's: a fault.
    int shownOffTheWindowThread() const { return m_offTheWindowThread; }
    const std::vector<QString>& dialogFolders() const { return m_dialogFolders; }
    void clear() { m_shown.clear(); }

    std::vector<QString> errors() const {
        std::vector<QString> texts;
        for (const auto& message : m_shown)
            if (message.kind == MessageKind::Error)
                texts.push_back(message.text);
        return texts;
    }

private:
    std::vector<ShownMessage> m_shown;
    int m_offTheWindowThread = 0;
    std::deque<bool> m_answers;
    std::deque<QString> m_fileChoices;
    std::vector<QString> m_dialogFolders;
};

} // namespace nakilon::testsupport
