// A run's results as one transaction: the previous results of an output
// directory, and their log copy, stay exactly as they were until a run
// completes; then the whole new set replaces them at once.
//
//   lock the output directory (.zemo-zamek), put back what a killed run left
//     -> every result file written under its temporary name (<name>.zemo-novy)
//     -> the run completes: each old file renamed to its backup
//        (<name>.zemo-puvodni), the new one renamed onto its name; the log's
//        copy last, the same way
//     -> backups removed, the lock released
//   a run that does not complete removes its temporary files; a failed
//   rename puts every file back as it was.
//
// The lock file records, line by line as the run goes, the project and the
// start (for a refused second run's message) and every temporary file,
// backup and replaced file, so that the next run into the directory can
// put back the state before a killed run: without the closing "hotovo" line
// every replaced file gets its backup again; with it only the backups are
// removed. The lock file stays in the directory; it is no result.
//
// Names here are the names as the file system takes them (a relative one
// in the run's computation directory already joined to it); the journal
// holds them made absolute in the process's working directory.
#pragma once

#include <string>
#include <vector>

#include "base/platform.h"

namespace zemo {

inline constexpr const char* kLockFileName = ".zemo-zamek";
inline constexpr const char* kNewSuffix = ".zemo-novy";
inline constexpr const char* kBackupSuffix = ".zemo-puvodni";

// One file of the new set: its temporary name and the name it replaces.
struct PendingFile {
    std::string temporary;
    std::string final_name;
    std::string shown;  // as messages name it
};

class ResultTransaction {
public:
    enum class Begin { Locked, HeldElsewhere, Failed };
    // Takes the lock of the output directory (a Windows-1250 name ending in
    // the separator); a lock that another run holds gives HeldElsewhere and
    // in holder what its lock file says of that run ("projekt X, zahájen
    // d.m.r h:m:s"), empty when unknown; Failed when the lock file cannot
    // be created (error() says why). Once locked, what a killed run left in
    // the directory is put back or removed, and the lock file records
    // project and start.
    Begin begin(const std::string& output_directory, const std::string& project, const std::string& start,
                std::string& holder);
    bool active() const { return lock_.held(); }
    int error() const { return lock_.error(); }
    const std::string& lock_path() const { return lock_path_; }

    // A temporary file is about to be created (recorded first, so that a
    // run killed right after leaves nothing the next run does not know).
    void creating(const std::string& temporary);
    // Puts the new set in place: old files to their backups, new files onto
    // their names, in the given order. On a failure every file of this call
    // is put back as it was (what an earlier call put in place stays);
    // failed names the file and error gives the reason (errno value). True
    // when all are in place.
    bool replace(const std::vector<PendingFile>& files, std::string& failed, int& error);
    // The set is complete (the log's copy included): the backups go, the
    // lock file is emptied and the lock released.
    void commit();
    // The run did not complete: its temporary files go (the previous files
    // were never touched), and the lock is released.
    void abandon();

private:
    struct Entry {
        char kind;  // 'N' temporary file, 'B' old file moved to its backup, 'P' new file put in place
        std::string name;
    };
    void record(char kind, const std::string& name);
    void put_back(const std::vector<Entry>& entries);
    // Puts back the entries from first on, and rewrites the journal.
    void put_back_from(std::size_t first);

    platform::FileLock lock_;
    std::string lock_path_;
    std::string header_;  // the lock file's project and start lines
    std::vector<Entry> entries_;
};

// What a lock file records of its run, read without its lock: the
// "projekt" and "zahájen" lines, empty when there are none.
std::string lock_holder_text(const std::string& lock_path);

}  // namespace zemo
