#pragma once

#include "core/base/FileAppend.h"
#include "core/transfer/JournalFormat.h"

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nakilon {

// One of the two files that receive a run's lines (the output file, the
// day's backup file), appended to in place: the run writes what it adds and
// never the content it found, which may be the payroll program's.
//
// The file keeps the form a list of lines gives it: every line break CR LF
// (a file that holds a lone CR or LF is rewritten once, the only write of
// the whole file), and lines added to a file whose last line has no break
// follow a CR LF, the last of them again without one.
class OutputFile {
public:
    explicit OutputFile(std::string utf8Name) : m_name(std::move(utf8Name)) {}
    const std::string& name() const { return m_name; }

    // Opens the file, creating it (and a missing folder) when needed. With
    // `lockWait` also takes the lock that keeps two runs (of any program
    // folder) from appending to it at once; false when another run still
    // holds it then. Throws IoError.
    bool open(std::optional<std::chrono::milliseconds> lockWait);
    bool isOpen() const { return m_file != nullptr; }
    void close() { m_file.reset(); }

    // Rewrites the file with CR LF breaks when it holds another kind, reading
    // it in pieces to find out, unless it is still as `known` says a run left
    // it. Throws IoError.
    void makeBreaksCrLf(const KnownText* known = nullptr);
    // The file as it is now, for the next run's makeBreaksCrLf. Throws IoError.
    KnownText state() const;

    // What appending `lines` (each followed by CR LF) to the file as it is now
    // means; `like` is a plan of the same lines whose checksum may serve.
    // Throws IoError.
    FilePlan plan(char role, std::string_view lines, const FilePlan* like = nullptr) const;
    // Appends the plan's bytes from byte `from` on, flushed. Throws IoError.
    void apply(const FilePlan& plan, std::string_view lines, uint64_t from = 0);

    // How much of a plan the file holds now (`have` bytes for Part).
    enum class Progress { None, Part, All, Changed };
    Progress progress(const FilePlan& plan, std::string_view lines, uint64_t& have) const;

    // The bytes a plan appends, in two pieces.
    static std::array<std::string_view, 2> planned(const FilePlan& plan, std::string_view lines);

private:
    std::string m_name;
    std::optional<std::chrono::milliseconds> m_lockWait;
    std::unique_ptr<AppendingFile> m_file;
};

} // namespace nakilon
