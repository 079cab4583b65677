// A small project for whole-run tests: three stacks and four receptors on
// a local grid, one gas, the single-case wind rose; the results section
// (and the pollutant lines, and the line ends of every file) are the
// test's. Every input is remembered as written, so a test can show that a
// run left it intact.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "tests/e2e/single_case_rose.h"
#include "tests/test_support.h"

namespace zemo::test {

struct Town {
    TempDir dir;
    std::map<std::string, std::string> inputs;  // name -> bytes as written

    explicit Town(const std::string& results, const std::string& pollutants = "LAT=JINA, 200, 250, Modelova latka\n",
                  const std::string& line_end = "\n") {
        add("town.atm",
            "[VYPOCETNI SIT]\nSOUBOR=body.txt, TSV\nPROJEKCE=JINA\nOTOCENI=0\n"
            "[ZNECISTUJICI LATKY]\n" +
                pollutants +
                "[ZDROJE]\nBODOVE=bodove.txt, TSV\n"
                "[METEOROLOGIE]\nSOUBOR=ruzice.txt, TSV\n"
                "[VYSLEDKY]\n" +
                results,
            line_end);
        add("body.txt",
            "R0001\t1000\t1500\t298.5\t1.5\t1\nR0002\t1100\t1400\t298.5\t1.5\t1\n"
            "R0003\t900\t1200\t298.5\t1.5\t1\nR0004\t1000\t2500\t298.5\t1.5\t1\n",
            line_end);
        add("bodove.txt",
            "K1\t1000\t2000\t300\t10\t0\t8760\t1\t1\t1\t10\nK2\t1050\t1900\t300\t20\t0\t8760\t1\t2\t1\t5\n"
            "K3\t950\t2100\t300\t15\t0\t4000\t1\t2\t1\t-0.5\n",
            line_end);
        add("ruzice.txt", rose_single_case(), line_end);
    }
    void add(const std::string& name, const std::string& utf8, const std::string& line_end) {
        std::string text = utf8_to_cp1250(utf8);
        std::string bytes;
        for (char c : text) bytes += c == '\n' ? line_end : std::string(1, c);
        write_file(dir.file(name), bytes);
        inputs[name] = bytes;
    }
    ProgramResult run(const std::string& options = "-l beh.log") const {
        return run_zemo("-a -c -d '" + dir.str() + "' -i town.atm " + options, dir.str());
    }
    std::string log(const std::string& name = "beh.log") const { return cp1250_to_utf8(read_file(dir.file(name))); }
    // Every input still holds the bytes it was written with.
    void expect_inputs_intact() const {
        for (const auto& [name, bytes] : inputs) EXPECT_EQ(read_file(dir.file(name)), bytes) << name;
    }
    // The files of the directory that are not inputs.
    std::set<std::string> other_files() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file()) {
                const std::string name = std::filesystem::relative(e.path(), dir.path()).string();
                if (!inputs.count(name)) names.insert(name);
            }
        return names;
    }
};

}  // namespace zemo::test
