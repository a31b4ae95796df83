#pragma once

#include "core/base/Error.h"
#include "core/base/FileLock.h"

#include <memory>
#include <string>
#include <string_view>

namespace nakilon {

class TransferJournal;

// Another transfer run holds the program folder or the output file; this run
// did nothing.
class TransferBusyError : public Error {
public:
    TransferBusyError();
};

// The output text and the backup text of one transfer run: the content of the
// output file and of the day's backup file, followed by the lines the run
// adds. Both files are written once, at the end of the run.
//
// From opening to saving the object holds an exclusive lock on the output file,
// so that a second run (another window, or the unattended transfer) cannot load
// the same file and write it back without this run's lines.
class OutputTexts {
public:
    // Backup file name of a run started on the given day: the program folder
    // followed by "Backup\YYYY-MM-DD.txt".
    static std::string backupFileName(std::string_view programFolder, int year, int month, int day);

    // The output file of the setting KayitDosyasi: a relative name is one in
    // the program folder ("\" separating subfolders), not in the current one.
    static std::string outputFileIn(std::string_view programFolder, std::string_view setting);

    // How long a run waits for another run to finish before it gives up.
    static constexpr int kLockWaitMilliseconds = 3000;

    // A file's content as a text of the run: every line break CR LF; a missing
    // file gives an empty text (its folder is created, the file is not).
    // Throws Error "Cannot open file ..." when the file cannot be read.
    static std::string loadText(const std::string& fileName);

    // Loads both texts (OpenOutputTexts). Every line break becomes CR LF; a
    // missing file is created empty and its text starts empty; the backup
    // folder is created when missing. Throws Error when another run holds the
    // output file, or when an existing file cannot be read.
    void open(std::string outputFileName, std::string backupFileName);

    // Adds one line at the end of the output text and then of the backup text
    // (AddOutputLine).
    void addLine(std::string_view line);
    // Adds lines, each followed by CR LF, as addLine adds them one by one.
    void addLines(std::string_view lines);

    // Writes the output text and then the backup text (SaveOutputTexts), each
    // atomically; releases the lock. Throws Error "Cannot create file ..."
    // when a file cannot be written.
    void save();
    // The same through the run's journal, when it holds lines of this run:
    // each file by a commit, and the journal cleared at the end. When a file
    // cannot be written, its lines stay in the journal for the next run.
    void save(TransferJournal& journal);

    // Gives the lock up without writing (used when opening failed half-way).
    void release();

    bool isOpen() const { return m_open; }
    const std::string& outputText() const { return m_output; }
    const std::string& backupText() const { return m_backup; }
    const std::string& outputFileName() const { return m_outputName; }
    const std::string& backupFileName() const { return m_backupName; }

private:
    std::unique_ptr<FileLock> m_lock;
    bool m_open = false;
    std::string m_outputName;
    std::string m_backupName;
    std::string m_output;
    std::string m_backup;
};

// Every line break of a text (CR LF, a lone CR, a lone LF) made CR LF.
std::string normalizeLineBreaks(std::string_view text);
std::string normalizeLineBreaks(std::string&& text);

// Adds a line the way a list of lines does: after the last line break, or
// after a CR LF when the text does not end with one (and then the text again
// ends without a line break).
void appendLine(std::string& text, std::string_view line);
// The same for lines that each end with CR LF.
void appendLines(std::string& text, std::string_view lines);

} // namespace nakilon
