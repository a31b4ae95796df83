#include "core/transfer/OutputTexts.h"

#include "core/base/Error.h"
#include "core/base/FileIo.h"
#include "core/base/Text.h"
#include "core/transfer/TransferJournal.h"

#include <chrono>
#include <filesystem>

namespace nakilon {

namespace {

const char* const kBusyText = "Başka bir aktarım sürüyor. Bu aktarım yapılmadı; o aktarım "
                              "bittiğinde yeniden deneyin";

// The backup folder is made when it is missing; a failure shows when the
// file is written.
void makeFolderOf(const std::string& fileName) {
    const std::filesystem::path folder = pathFromUtf8(fileName).parent_path();
    if (!folder.empty() && !folderExists(pathToUtf8(folder))) {
        try {
            createFolder(pathToUtf8(folder));
        } catch (const IoError&) {
        }
    }
}

// A missing file starts empty and is created now, as the run will write it
// at its end anyway; failing to create it is not an error here.
std::string loadOrCreate(const std::string& fileName) {
    std::error_code ec;
    if (!std::filesystem::exists(pathFromUtf8(fileName), ec)) {
        makeFolderOf(fileName);
        try {
            writeFileAtomic(fileName, "");
        } catch (const IoError&) {
        }
    }
    return OutputTexts::loadText(fileName);
}

Error cannotCreate(const std::string& fileName, const IoError& e) {
    return Error(formatText("Cannot create file \"%s\". %s", messageQuote(fileName).c_str(),
                            e.reason().c_str()));
}

void saveText(const std::string& fileName, const std::string& text) {
    try {
        writeFileAtomic(fileName, text);
    } catch (const IoError& e) {
        throw cannotCreate(fileName, e);
    }
}

} // namespace

TransferBusyError::TransferBusyError() : Error(kBusyText) {}

std::string OutputTexts::backupFileName(std::string_view programFolder, int year, int month,
                                        int day) {
    return programFile(programFolder,
                       formatText("Backup\\%4.4d-%2.2d-%2.2d.txt", year, month, day));
}

std::string OutputTexts::outputFileIn(std::string_view programFolder, std::string_view setting) {
    if (setting.empty() || pathFromUtf8(setting).is_absolute())
        return std::string(setting);
#ifdef _WIN32
    // "\\server\share\x" and "C:\x" are absolute; "\x" is a folder of the
    // program folder's drive, "C:x" a relative name on another drive.
    if (setting.front() == '\\' || setting.front() == '/' ||
        (setting.size() >= 2 && setting[1] == ':'))
        return pathToUtf8(pathFromUtf8(programFolder) / pathFromUtf8(setting));
#endif
    return programFile(programFolder, setting);
}

std::string OutputTexts::loadText(const std::string& fileName) {
    std::error_code ec;
    if (!std::filesystem::exists(pathFromUtf8(fileName), ec)) {
        makeFolderOf(fileName);
        return {};
    }
    // Anything at that name that is not a file (a folder, a pipe) counts as a
    // file that cannot be read: the run must stop before a terminal hands out
    // records that could not be saved.
    try {
        return normalizeLineBreaks(readWholeFile(fileName));
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(fileName).c_str(),
                               e.reason().c_str()));
    }
}

void OutputTexts::open(std::string outputFileName, std::string backupFileName) {
    release();
    m_outputName = std::move(outputFileName);
    m_backupName = std::move(backupFileName);
    // The lock sits beside the file that really receives the lines, so that
    // every name that leads to it shares one lock.
    const std::string lockName = resolvedFileName(m_outputName) + ".lock";
    try {
        m_lock =
            std::make_unique<FileLock>(lockName, std::chrono::milliseconds(kLockWaitMilliseconds));
    } catch (const IoError& e) {
        // A folder that takes no new files has no lock file; the program
        // folder's own lock still keeps its runs apart. Any other failure is
        // the operator's to see.
        if (!fileExists(m_outputName))
            throw Error(formatText("Cannot open file \"%s\". %s", messageQuote(lockName).c_str(),
                                   e.reason().c_str()));
    }
    if (m_lock && !m_lock->locked()) {
        m_lock.reset();
        throw TransferBusyError();
    }
    m_open = true;
    try {
        m_output = loadOrCreate(m_outputName);
        m_backup = loadOrCreate(m_backupName);
        // A file that cannot be written is reported now, before a terminal
        // hands out records that then could not be saved.
        for (const std::string* name : {&m_outputName, &m_backupName}) {
            try {
                if (fileExists(*name))
                    checkWritable(*name);
            } catch (const IoError& e) {
                throw cannotCreate(*name, e);
            }
        }
    } catch (...) {
        release();
        throw;
    }
}

void OutputTexts::addLine(std::string_view line) {
    appendLine(m_output, line);
    appendLine(m_backup, line);
}

void OutputTexts::addLines(std::string_view lines) {
    appendLines(m_output, lines);
    appendLines(m_backup, lines);
}

void OutputTexts::save() {
    struct Release {
        OutputTexts* texts;
        ~Release() { texts->release(); }
    } releaseAtEnd{this};
    saveText(m_outputName, m_output);
    saveText(m_backupName, m_backup);
}

void OutputTexts::save(TransferJournal& journal) {
    if (!journal.hasBatches())
        return save();
    struct Release {
        OutputTexts* texts;
        ~Release() { texts->release(); }
    } releaseAtEnd{this};
    for (const char role : {'O', 'B'}) {
        const std::string& name = role == 'O' ? m_outputName : m_backupName;
        try {
            journal.commitFile(role, name, role == 'O' ? m_output : m_backup);
        } catch (const IoError& e) {
            throw cannotCreate(name, e);
        }
    }
    try {
        journal.clear();
    } catch (const IoError&) {
        // Both files are complete; the next run finds nothing left to do.
    }
}

void OutputTexts::release() {
    m_lock.reset();
    m_open = false;
}

namespace {

// Where the first line break that is not already CR LF stands; npos for none.
size_t firstBareBreak(std::string_view text) {
    size_t pos = text.find_first_of("\r\n");
    while (pos != std::string_view::npos) {
        if (text[pos] == '\n' || pos + 1 == text.size() || text[pos + 1] != '\n')
            return pos;
        pos = text.find_first_of("\r\n", pos + 2);
    }
    return pos;
}

} // namespace

std::string normalizeLineBreaks(std::string&& text) {
    // Files this program wrote already hold CR LF only: keep them as they are
    // instead of copying a large file once more.
    if (firstBareBreak(text) == std::string::npos)
        return std::move(text);
    return normalizeLineBreaks(std::string_view(text));
}

std::string normalizeLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t next = text.find_first_of("\r\n", pos);
        if (next == std::string_view::npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, next - pos));
        out.append("\r\n");
        pos = next +
              ((text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1);
    }
    return out;
}

void appendLines(std::string& text, std::string_view lines) {
    if (lines.empty())
        return;
    const bool endsWithBreak = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    if (text.empty() || endsWithBreak) {
        text.append(lines);
    } else {
        text.append("\r\n");
        text.append(lines.substr(0, lines.size() - 2));
    }
}

void appendLine(std::string& text, std::string_view line) {
    const bool endsWithBreak = !text.empty() && (text.back() == '\n' || text.back() == '\r');
    if (text.empty() || endsWithBreak) {
        text.append(line);
        text.append("\r\n");
    } else {
        text.append("\r\n");
        text.append(line);
    }
}

} // namespace nakilon
