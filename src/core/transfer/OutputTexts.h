#pragma once

#include "core/base/Error.h"
#include "core/transfer/OutputFile.h"

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

// The output file and the day's backup file of one transfer run, and the
// lines the run adds to both (OpenOutputTexts, AddOutputLine,
// SaveOutputTexts). The files are appended to once, at the end of the run.
//
// From opening to saving the object holds an exclusive lock on the output
// file, so that a second run (another window, the unattended transfer, or a
// run of another program folder) cannot append to it at the same time.
class OutputTexts {
public:
    // The folder of the backup files in the program folder.
    static constexpr std::string_view kBackupFolder = "Backup";

    // Backup file name of a run started on the given day: the program folder
    // followed by "Backup\YYYY-MM-DD.txt".
    static std::string backupFileName(std::string_view programFolder, int year, int month, int day);

    // The output file of the setting KayitDosyasi: a relative name is one in
    // the program folder ("\" separating subfolders), not in the current one.
    static std::string outputFileIn(std::string_view programFolder, std::string_view setting);

    // How long a run waits for another run to finish before it gives up.
    static constexpr int kLockWaitMilliseconds = 3000;

    // Opens both files, creating a missing one (and the backup folder), so
    // that a file that cannot be written is reported now, before a terminal
    // hands out records that then could not be saved. Throws Error naming the
    // file, and TransferBusyError when another run holds the output file.
    void open(std::string outputFileName, std::string backupFileName);

    // Adds one line, or lines that each end with CR LF, to the run's lines.
    void addLine(std::string_view line);
    void addLines(std::string_view lines);
    void addLines(std::string&& lines); // taken over when the run has none yet

    // Appends the run's lines to the output file and then to the backup file,
    // each through its plan in the journal, and rewrites a file whose line
    // breaks are not all CR LF; releases the lock. The journal is not cleared
    // here. Throws Error "Cannot create file ..." naming the file; the lines
    // then stay in the journal for the next run.
    void save(TransferJournal& journal);

    // Gives the lock up without writing (used when opening failed half-way).
    void release();

    bool isOpen() const { return m_output != nullptr; }
    const std::string& lines() const { return m_lines; }
    const std::string& outputFileName() const { return m_outputName; }
    const std::string& backupFileName() const { return m_backupName; }

private:
    std::unique_ptr<OutputFile> m_output;
    std::unique_ptr<OutputFile> m_backup;
    std::string m_outputName;
    std::string m_backupName;
    std::string m_lines;
};

// Every line break of a text (CR LF, a lone CR, a lone LF) made CR LF.
std::string normalizeLineBreaks(std::string_view text);
std::string normalizeLineBreaks(std::string&& text);

} // namespace nakilon
