// The result files of a run as one transaction: the new set replaces the
// old one whole or not at all, a second run into the directory is refused,
// and what a killed run left is put back by the next one.
#include "run/result_transaction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;

namespace fs = std::filesystem;

namespace {

struct Directory {
    TempDir dir;
    std::string out() const { return dir.str() + "/"; }
    std::string name(const std::string& file) const { return dir.file(file); }
    // A new file of the set, written under its temporary name.
    PendingFile pending(ResultTransaction& t, const std::string& file, const std::string& bytes) const {
        const std::string temporary = name(file) + kNewSuffix;
        t.creating(temporary);
        write_file(temporary, bytes);
        return {temporary, name(file), file};
    }
    std::vector<std::string> files() const { return test::file_names_in(dir.path()); }
};

ResultTransaction::Begin begin(ResultTransaction& t, const Directory& d) {
    std::string holder;
    return t.begin(d.out(), "a.atm", "10.12.2026  12:00:00", holder);
}

}  // namespace

TEST(ResultTransaction, ACompleteSetReplacesTheOldOneAndLeavesNothingElse) {
    Directory d;
    write_file(d.name("zaklad.txt"), "old basic");
    write_file(d.name("jiny.txt"), "not a result of the run");
    ResultTransaction t;
    ASSERT_EQ(begin(t, d), ResultTransaction::Begin::Locked);
    std::vector<PendingFile> set{d.pending(t, "zaklad.txt", "new basic"), d.pending(t, "maxima.txt", "new maxima")};
    // Until the set is put in place the old results stand.
    EXPECT_EQ(read_file(d.name("zaklad.txt")), "old basic");
    std::string failed;
    int error = -1;
    ASSERT_TRUE(t.replace(set, failed, error));
    t.commit();
    EXPECT_EQ(read_file(d.name("zaklad.txt")), "new basic");
    EXPECT_EQ(read_file(d.name("maxima.txt")), "new maxima");
    EXPECT_EQ(d.files(), (std::vector<std::string>{"jiny.txt", "maxima.txt", "zaklad.txt"}));
    EXPECT_TRUE(fs::exists(d.dir.native(kLockFileName)));
    EXPECT_EQ(read_file(d.dir.native(kLockFileName)), "");  // no journal after a complete set
}

TEST(ResultTransaction, AnAbandonedSetRemovesItsFilesAndKeepsTheOldOnes) {
    Directory d;
    write_file(d.name("zaklad.txt"), "old basic");
    ResultTransaction t;
    ASSERT_EQ(begin(t, d), ResultTransaction::Begin::Locked);
    d.pending(t, "zaklad.txt", "half a table");
    d.pending(t, "maxima.txt", "half a table");
    t.abandon();
    EXPECT_EQ(d.files(), std::vector<std::string>{"zaklad.txt"});
    EXPECT_EQ(read_file(d.name("zaklad.txt")), "old basic");
}

TEST(ResultTransaction, AFileThatCannotTakeItsNamePutsEveryFileBack) {
    Directory d;
    write_file(d.name("a.txt"), "old a");
    write_file(d.name("c.txt"), "old c");
    fs::create_directory(d.dir.native("b.txt"));  // b cannot be replaced
    ResultTransaction t;
    ASSERT_EQ(begin(t, d), ResultTransaction::Begin::Locked);
    std::vector<PendingFile> set{d.pending(t, "a.txt", "new a"), d.pending(t, "b.txt", "new b"),
                                 d.pending(t, "c.txt", "new c")};
    std::string failed;
    int error = 0;
    EXPECT_FALSE(t.replace(set, failed, error));
    EXPECT_EQ(failed, "b.txt");
    EXPECT_NE(error, 0);
    t.abandon();
    // a had been replaced already: it is the old a again.
    EXPECT_EQ(read_file(d.name("a.txt")), "old a");
    EXPECT_EQ(read_file(d.name("c.txt")), "old c");
    EXPECT_TRUE(fs::is_directory(d.dir.native("b.txt")));
    EXPECT_EQ(d.files(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST(ResultTransaction, ASecondRunIntoTheDirectoryIsRefusedAndToldWhoHoldsIt) {
    Directory d;
    ResultTransaction first;
    std::string holder;
    ASSERT_EQ(first.begin(d.out(), "mesto.atm", "10.12.2026  12:00:00", holder), ResultTransaction::Begin::Locked);
    // Another run of the same process is refused like one of another
    // process: the lock conflicts between two opens of the file.
    ResultTransaction second;
    EXPECT_EQ(second.begin(d.out(), "jiny.atm", "10.12.2026  12:05:00", holder),
              ResultTransaction::Begin::HeldElsewhere);
    EXPECT_EQ(holder, utf8_to_cp1250("projekt mesto.atm, zahájen 10.12.2026  12:00:00"));
    EXPECT_FALSE(second.active());
    first.commit();
    EXPECT_EQ(second.begin(d.out(), "jiny.atm", "10.12.2026  12:05:00", holder), ResultTransaction::Begin::Locked);
    second.abandon();
}

TEST(ResultTransaction, WhatAKilledRunLeftIsPutBackByTheNextRun) {
    // Killed after its first file was put in place, before the second: the
    // journal names the temporary files, the backup and the replaced file.
    Directory d;
    write_file(d.name("a.txt"), "old a");
    write_file(d.name("b.txt"), "old b");
    {
        ResultTransaction killed;
        ASSERT_EQ(begin(killed, d), ResultTransaction::Begin::Locked);
        const PendingFile a = d.pending(killed, "a.txt", "new a");
        d.pending(killed, "b.txt", "new b");
        std::string failed;
        int error = 0;
        ASSERT_TRUE(killed.replace({a}, failed, error));
        // The process dies here: nothing more is done; the lock goes with
        // the transaction as the system frees it with a process.
    }
    ASSERT_EQ(read_file(d.name("a.txt")), "new a");
    ResultTransaction next;
    ASSERT_EQ(begin(next, d), ResultTransaction::Begin::Locked);
    EXPECT_EQ(read_file(d.name("a.txt")), "old a");
    EXPECT_EQ(read_file(d.name("b.txt")), "old b");
    EXPECT_EQ(d.files(), (std::vector<std::string>{"a.txt", "b.txt"}));
    next.abandon();
}

TEST(ResultTransaction, AKilledRunThatHadCompletedKeepsItsNewFiles) {
    Directory d;
    write_file(d.name("a.txt"), "old a");
    // The journal of a run killed after its "hotovo" line, before it
    // removed its backups.
    write_file(d.name("a.txt") + kBackupSuffix, "old a");
    write_file(d.name("a.txt"), "new a");
    write_file(d.dir.native(kLockFileName), "projekt a.atm\nN " + d.name("a.txt") + kNewSuffix + "\nB " +
                                                d.name("a.txt") + "\nP " + d.name("a.txt") + "\nhotovo\n");
    ResultTransaction next;
    ASSERT_EQ(begin(next, d), ResultTransaction::Begin::Locked);
    EXPECT_EQ(read_file(d.name("a.txt")), "new a");
    EXPECT_EQ(d.files(), std::vector<std::string>{"a.txt"});
    next.abandon();
}
