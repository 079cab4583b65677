#include "run/result_transaction.h"

#include <cerrno>

#include "base/files.h"
#include "base/text.h"

namespace zemo {

namespace {

constexpr const char* kProjectWord = "projekt ";
constexpr const char* kStartWord = "zahájen "_cz;
constexpr const char* kDoneLine = "hotovo";

std::string read_whole(const std::string& path) {
    File file;
    std::string text;
    if (!file.open(path, "rb")) return text;
    char buffer[4096];
    std::size_t n;
    while ((n = file.read_bytes(buffer, sizeof buffer)) > 0) text.append(buffer, n);
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool starts_with(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string lock_holder_text(const std::string& lock_path) {
    std::string project, start;
    for (const std::string& line : lines_of(read_whole(lock_path))) {
        if (starts_with(line, kProjectWord)) project = line;
        else if (starts_with(line, kStartWord)) start = line;
    }
    if (project.empty()) return start;
    return start.empty() ? project : project + ", " + start;
}

ResultTransaction::Begin ResultTransaction::begin(const std::string& output_directory, const std::string& project,
                                                  const std::string& start, std::string& holder) {
    holder.clear();
    entries_.clear();
    lock_path_ = platform::with_separator(output_directory) + kLockFileName;
    switch (lock_.acquire(lock_path_)) {
        case platform::FileLock::Result::Acquired: break;
        case platform::FileLock::Result::HeldElsewhere:
            holder = lock_holder_text(lock_path_);
            return Begin::HeldElsewhere;
        case platform::FileLock::Result::Failed: return Begin::Failed;
    }
    // What a run killed before its end left behind.
    std::vector<Entry> left;
    bool done = false;
    for (const std::string& line : lines_of(read_whole(lock_path_))) {
        if (line == kDoneLine) done = true;
        else if (line.size() > 2 && line[1] == ' ' && (line[0] == 'N' || line[0] == 'B' || line[0] == 'P'))
            left.push_back({line[0], line.substr(2)});
    }
    if (done) {
        for (const Entry& e : left) {
            if (e.kind == 'B') platform::remove_file(e.name + kBackupSuffix);
            if (e.kind == 'N') platform::remove_file(e.name);
        }
    } else {
        put_back(left);
    }
    header_ = std::string(kProjectWord) + project + "\n" + kStartWord + start + "\n";
    lock_.write(header_);
    return Begin::Locked;
}

void ResultTransaction::record(char kind, const std::string& name) {
    // The journal names every file absolutely: the run that reads it may
    // work in another directory.
    const std::string absolute = platform::is_absolute_path(name) ? name : platform::current_directory() + name;
    entries_.push_back({kind, absolute});
    if (lock_.held()) lock_.append(std::string(1, kind) + " " + absolute + "\n");
}

void ResultTransaction::creating(const std::string& temporary) {
    if (!lock_.held()) return;
    record('N', temporary);
}

void ResultTransaction::put_back(const std::vector<Entry>& entries) {
    // Newest first: a replaced file loses its new content, then gets its
    // backup again; the temporary files go last.
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        if (e->kind == 'P') platform::remove_file(e->name);
        else if (e->kind == 'B' && platform::is_regular_file(e->name + kBackupSuffix))
            platform::rename_replacing(e->name + kBackupSuffix, e->name);
    }
    for (const Entry& e : entries)
        if (e.kind == 'N') platform::remove_file(e.name);
}

bool ResultTransaction::replace(const std::vector<PendingFile>& files, std::string& failed, int& error) {
    const std::size_t first = entries_.size();
    for (const PendingFile& f : files) {
        // Recorded before each step, so that a run killed in between is put
        // back by the next one.
        // A directory of the name is no earlier result: it is not moved
        // aside, and the file cannot take its name.
        if (platform::is_searchable_directory(f.final_name)) {
            error = EISDIR;
            failed = f.shown;
            put_back_from(first);
            return false;
        }
        record('B', f.final_name);
        error = platform::rename_replacing(f.final_name, f.final_name + kBackupSuffix);
        if (error == 0 || error == ENOENT) {
            record('P', f.final_name);
            error = platform::rename_replacing(f.temporary, f.final_name);
        }
        if (error != 0) {
            failed = f.shown;
            put_back_from(first);
            return false;
        }
    }
    return true;
}

void ResultTransaction::put_back_from(std::size_t first) {
    // Only the files of this call go back; the journal keeps what an
    // earlier call put in place.
    const std::vector<Entry> these(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end());
    put_back(these);
    entries_.resize(first);
    if (lock_.held()) {
        std::string journal = header_;
        for (const Entry& e : entries_) journal += std::string(1, e.kind) + " " + e.name + "\n";
        lock_.write(journal);
    }
}

void ResultTransaction::commit() {
    if (!lock_.held()) return;
    lock_.append(std::string(kDoneLine) + "\n");
    // A temporary file still there was never put in place.
    for (const Entry& e : entries_) {
        if (e.kind == 'B') platform::remove_file(e.name + kBackupSuffix);
        if (e.kind == 'N') platform::remove_file(e.name);
    }
    entries_.clear();
    lock_.write(std::string());
    lock_.release();
}

void ResultTransaction::abandon() {
    if (!lock_.held()) return;
    put_back(entries_);
    entries_.clear();
    lock_.write(std::string());
    lock_.release();
}

}  // namespace zemo
