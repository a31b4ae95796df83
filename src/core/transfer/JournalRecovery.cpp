#include "core/transfer/JournalRecovery.h"

#include "core/base/Error.h"
#include "core/base/FileIdentity.h"
#include "core/base/FilesAndFolders.h"
#include "core/base/LocalTime.h"
#include "core/base/SafeWrite.h"
#include "core/base/Text.h"
#include "core/transfer/OutputFile.h"
#include "core/transfer/OutputLine.h"
#include "core/transfer/OutputTexts.h"
#include "core/transfer/SpaceCheck.h"
#include "core/transfer/TransferJournal.h"
#include "core/transfer/TransferRun.h"

#include <algorithm>
#include <chrono>

namespace nakilon {

namespace {

Error cannotCreate(const std::string& name, const std::string& reason) {
    return Error(formatText("Yarım kalan aktarım tamamlanamadı: Cannot create file \"%s\". %s",
                            messageQuote(name).c_str(), reason.c_str()));
}

// Keeps the damaged journal's bytes beside it under a name of its own.
std::string keepDamagedCopy(const std::string& journalFile, const std::string& bytes) {
    const DateTime t = localNow();
    const std::string base = formatText("%s.bozuk-%04d%02d%02d-%02d%02d%02d", journalFile.c_str(),
                                        t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::string name = base;
    for (int n = 2; fileExists(name); ++n)
        name = base + "-" + std::to_string(n);
    writeFileAtomic(name, bytes);
    return name;
}

size_t lineCount(std::string_view lines) {
    size_t count = 0;
    for (size_t at = lines.find(OutputLineEnd); at != std::string_view::npos;
         at = lines.find(OutputLineEnd, at + OutputLineEnd.size()))
        ++count;
    return count;
}

class Recovery {
public:
    Recovery(TransferJournal& journal, const std::string& bytes, const std::string& outputNow,
             const std::string& backupNow)
        : m_journal(journal), m_bytes(bytes), m_outputNow(outputNow), m_backupNow(backupNow) {}

    // Delivers one run's lines into one of its files; true when the file
    // received bytes now.
    bool deliver(const JournalRun& run, char role, const std::string& lines);

    RecoveryReport report;

private:
    std::unique_ptr<OutputFile> openFile(const std::string& name, const std::string& now);

    TransferJournal& m_journal;
    const std::string& m_bytes;
    const std::string& m_outputNow;
    const std::string& m_backupNow;
};

std::unique_ptr<OutputFile> Recovery::openFile(const std::string& name, const std::string& now) {
    const auto wait = std::chrono::milliseconds(OutputTexts::kLockWaitMilliseconds);
    auto file = std::make_unique<OutputFile>(name.empty() ? now : name);
    try {
        if (!file->open(wait))
            throw TransferBusyError();
        return file;
    } catch (const IoError& e) {
        // A file that can no longer be written (its folder gone, its name
        // refused, no permission) must not keep every later run from
        // starting: the settings now name another file, which takes the lines.
        if (now.empty() || sameFile(file->name(), now))
            throw cannotCreate(file->name(), e.reason());
        auto other = std::make_unique<OutputFile>(now);
        try {
            if (!other->open(wait))
                throw TransferBusyError();
        } catch (const IoError& second) {
            throw cannotCreate(now, second.reason());
        }
        // The journal that named the old file is kept for the office.
        if (report.damagedCopy.empty()) {
            try {
                report.damagedCopy = keepDamagedCopy(m_journal.fileName(), m_bytes);
            } catch (const IoError& copyError) {
                throw cannotCreate(m_journal.fileName() + ".bozuk", copyError.reason());
            }
        }
        report.redirected.push_back(formatText(
            "Yarım kalan aktarımın dosyası \"%s\" yazılamadı (%s); satırları \"%s\" dosyasına "
            "yazıldı",
            messageQuote(file->name()).c_str(), e.reason().c_str(), messageQuote(now).c_str()));
        return other;
    }
}

bool Recovery::deliver(const JournalRun& run, char role, const std::string& lines) {
    const FilePlan* plan = nullptr;
    for (const FilePlan& p : run.plans)
        if (p.role == role)
            plan = &p;
    const std::string& now = role == 'O' ? m_outputNow : m_backupNow;
    const std::string& named = role == 'O' ? run.outputFile : run.backupFile;
    const std::unique_ptr<OutputFile> file = openFile(plan ? plan->target : named, now);
    try {
        uint64_t have = 0;
        const OutputFile::Progress progress =
            plan ? file->progress(*plan, lines, have) : OutputFile::Progress::Changed;
        bool wrote = true;
        switch (progress) {
        case OutputFile::Progress::All:
            wrote = false;
            break;
        case OutputFile::Progress::None:
        case OutputFile::Progress::Part:
            file->apply(*plan, lines, have);
            break;
        case OutputFile::Progress::Changed: {
            // Not the file planned, or the payroll side changed it: the lines
            // go to it as it is now, under a plan of their own.
            file->makeBreaksCrLf();
            const FilePlan fresh = file->plan(role, lines);
            m_journal.addPlans(run.id, {fresh});
            file->apply(fresh, lines);
            break;
        }
        }
        m_journal.addDone(run.id, role);
        return wrote;
    } catch (const IoError& e) {
        throw cannotCreate(file->name(), e.reason());
    }
}

} // namespace

RecoveryReport recoverTransfer(TransferJournal& journal, const std::string& outputNow,
                               const std::string& backupNow) {
    std::string bytes;
    JournalContent content;
    try {
        content = journal.load(bytes);
    } catch (const IoError& e) {
        throw Error(formatText("Cannot open file \"%s\". %s",
                               messageQuote(journal.fileName()).c_str(), e.reason().c_str()));
    }
    Recovery recovery(journal, bytes, outputNow, backupNow);
    if (bytes.empty())
        return recovery.report;
    try {
        if (content.damagedBytes > 0) {
            recovery.report.damagedBytes = content.damagedBytes;
            recovery.report.damagedCopy = keepDamagedCopy(journal.fileName(), bytes);
        }
        // Records appended below must follow whole ones.
        if (content.damagedBytes > 0 || content.tornBytes > 0)
            journal.rewrite(content);
    } catch (const IoError& e) {
        throw cannotCreate(journal.fileName(), e.reason());
    }

    for (JournalRun& run : content.runs) {
        if (run.batches.empty())
            continue;
        std::stable_sort(
            run.batches.begin(), run.batches.end(),
            [](const JournalBatch& a, const JournalBatch& b) { return a.sequence < b.sequence; });
        std::string lines;
        for (const JournalBatch& batch : run.batches)
            lines += batch.lines;
        if (lines.empty())
            continue;
        bool runWrote = false;
        for (const char role : {'O', 'B'})
            if (run.done.find(role) == std::string::npos)
                runWrote = recovery.deliver(run, role, lines) || runWrote;
        if (runWrote)
            recovery.report.lines += lineCount(lines);
    }
    try {
        journal.clear();
    } catch (const IoError&) {
        // The files are complete; the next run finds them done.
    }
    return recovery.report;
}

std::vector<std::string> recoveryTexts(const RecoveryReport& report) {
    std::vector<std::string> texts;
    if (report.lines > 0)
        texts.push_back(formatText(RecoveredText, std::to_string(report.lines).c_str()));
    texts.insert(texts.end(), report.redirected.begin(), report.redirected.end());
    if (report.damagedBytes > 0)
        texts.push_back(formatText(
            "Aktarım günlüğünde okunamayan %s var; okunabilen kayıtlar dosyalara yazıldı. "
            "Günlüğün kopyası \"%s\" dosyasında saklanıyor",
            sizeText(report.damagedBytes).c_str(), messageQuote(report.damagedCopy).c_str()));
    else if (!report.damagedCopy.empty())
        texts.push_back(formatText("Yarım kalan aktarımın günlüğünün kopyası \"%s\" dosyasında "
                                   "saklanıyor",
                                   messageQuote(report.damagedCopy).c_str()));
    return texts;
}

} // namespace nakilon
