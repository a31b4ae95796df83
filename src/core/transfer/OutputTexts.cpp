#include "core/transfer/OutputTexts.h"

#include "core/base/Error.h"
#include "core/base/FileIdentity.h"
#include "core/base/FilePaths.h"
#include "core/base/Text.h"
#include "core/transfer/OutputLine.h"
#include "core/transfer/TransferJournal.h"

#include <chrono>
#include <filesystem>
#include <vector>

namespace nakilon {

namespace {

const char* const kBusyText = "Başka bir aktarım sürüyor. Bu aktarım yapılmadı; o aktarım "
                              "bittiğinde yeniden deneyin";

constexpr uint64_t kRememberFrom = uint64_t{1} << 20;

Error cannotCreate(const std::string& fileName, const IoError& e) {
    return Error(formatText("Cannot create file \"%s\". %s", messageQuote(fileName).c_str(),
                            e.reason().c_str()));
}

} // namespace

TransferBusyError::TransferBusyError() : Error(kBusyText) {}

std::string OutputTexts::backupFileName(std::string_view programFolder, int year, int month,
                                        int day) {
    return programFile(programFolder, std::string(kBackupFolder) +
                                          formatText("\\%4.4d-%2.2d-%2.2d.txt", year, month, day));
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

void OutputTexts::open(std::string outputFileName, std::string backupFileName) {
    release();
    m_outputName = std::move(outputFileName);
    m_backupName = std::move(backupFileName);
    m_lines.clear();
    if (sameFile(m_outputName, m_backupName))
        throw Error(formatText("Kayıt dosyası yedek dosyasıyla aynı olamaz: \"%s\"",
                               messageQuote(m_outputName).c_str()));
    auto output = std::make_unique<OutputFile>(m_outputName);
    auto backup = std::make_unique<OutputFile>(m_backupName);
    try {
        if (!output->open(std::chrono::milliseconds(kLockWaitMilliseconds)))
            throw TransferBusyError();
    } catch (const IoError& e) {
        throw cannotCreate(m_outputName, e);
    }
    try {
        backup->open(std::nullopt);
    } catch (const IoError& e) {
        throw cannotCreate(m_backupName, e);
    }
    m_output = std::move(output);
    m_backup = std::move(backup);
}

void OutputTexts::addLine(std::string_view line) {
    m_lines += line;
    m_lines += OutputLineEnd;
}

void OutputTexts::addLines(std::string_view lines) {
    m_lines += lines;
}

void OutputTexts::addLines(std::string&& lines) {
    if (m_lines.empty())
        m_lines = std::move(lines);
    else
        m_lines += lines;
}

void OutputTexts::save(TransferJournal& journal) {
    struct Release {
        OutputTexts* texts;
        ~Release() { texts->release(); }
    } releaseAtEnd{this};
    OutputFile* const files[] = {m_output.get(), m_backup.get()};
    for (OutputFile* file : files) {
        try {
            file->makeBreaksCrLf(
                file == m_output.get() ? journal.known(resolvedFileName(file->name())) : nullptr);
        } catch (const IoError& e) {
            throw cannotCreate(file->name(), e);
        }
    }
    if (m_lines.empty())
        return;
    std::vector<FilePlan> plans;
    try {
        plans.push_back(m_output->plan('O', m_lines));
        plans.push_back(m_backup->plan('B', m_lines, &plans.front()));
        journal.addPlans({}, plans);
    } catch (const IoError& e) {
        throw cannotCreate(journal.fileName(), e);
    }
    for (size_t i = 0; i < 2; ++i) {
        try {
            files[i]->apply(plans[i], m_lines);
            // A large output file is not read through again while it stays as
            // this run leaves it; a small one costs less to read than to note.
            if (i == 0 && plans[i].length + plans[i].bytes >= kRememberFrom)
                journal.remember(files[i]->state());
        } catch (const IoError& e) {
            throw cannotCreate(files[i]->name(), e);
        }
        try {
            journal.addDone({}, plans[i].role);
        } catch (const IoError& e) {
            throw cannotCreate(journal.fileName(), e);
        }
    }
}

void OutputTexts::release() {
    m_output.reset();
    m_backup.reset();
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
        out.append(OutputLineEnd);
        pos = next +
              ((text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1);
    }
    return out;
}

} // namespace nakilon
