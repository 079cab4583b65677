// The tie between a run's log and its result files: the run records the
// size and CRC-32 of every result file it put in place as an information
// line of its log,
//
//   --- soubor výsledků vysledky/zakladni.txt: 104857 B, CRC-32 1a2b3c4d
//
// (the path as the run names the file), and a reader of the results (the
// map tool, the desktop's map view) refuses a table whose bytes are not the
// ones the log names. CRC-32 is the one of zip and PNG (polynomial
// 0xEDB88320, reflected, initial and final value 0xFFFFFFFF): it finds a
// table of another run or a changed one, it is no protection against a
// deliberate forgery.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zemo {

struct FileDigest {
    std::uint64_t size = 0;
    std::uint32_t crc32 = 0;
    bool operator==(const FileDigest& other) const { return size == other.size && crc32 == other.crc32; }
};

// The CRC-32 of bytes, continued from crc (0 for the first block).
std::uint32_t crc32_update(std::uint32_t crc, const void* data, std::size_t size);
// The size and CRC-32 of a file (a Windows-1250 path as the file system
// takes it); nullopt when it cannot be read to its end.
std::optional<FileDigest> digest_file(const std::string& path);

// The detail text of the log's information line for one result file.
std::string digest_line_text(const std::string& shown_path, const FileDigest& digest);

// One result file a log names, with its digest.
struct RecordedDigest {
    std::string path;  // as the run named it (Windows-1250)
    FileDigest digest;
};
// The digest lines of a log's text (Windows-1250, any line ends), in
// their order; empty for a log of level 0 or of a run that predates them.
std::vector<RecordedDigest> recorded_digests(std::string_view log_text);

}  // namespace zemo
