#include "output/result_digest.h"

#include <array>
#include <charconv>

#include "base/files.h"
#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"

namespace zemo {

namespace {

constexpr std::array<std::uint32_t, 256> make_crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = make_crc_table();

// The information line's words before the path (as the log holds them,
// after the "--- " prefix).
constexpr const char* kDigestWords = "soubor výsledků "_cz;

}  // namespace

std::uint32_t crc32_update(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

std::optional<FileDigest> digest_file(const std::string& path) {
    // A directory or a device has no digest; neither has a file whose
    // reading fails before its end.
    File file;
    if (!platform::is_regular_file(path) || !file.open(path, "rb")) return std::nullopt;
    FileDigest digest;
    std::array<char, 1 << 16> buffer;
    std::size_t n;
    while ((n = file.read_bytes(buffer.data(), buffer.size())) > 0) {
        digest.crc32 = crc32_update(digest.crc32, buffer.data(), n);
        digest.size += n;
    }
    if (file.read_failed()) return std::nullopt;
    return digest;
}

std::string digest_line_text(const std::string& shown_path, const FileDigest& digest) {
    return format("%s%s: %llu B, CRC-32 %08x", kDigestWords, shown_path.c_str(),
                  static_cast<unsigned long long>(digest.size), static_cast<unsigned>(digest.crc32));
}

std::vector<RecordedDigest> recorded_digests(std::string_view log_text) {
    std::vector<RecordedDigest> found;
    const std::string prefix = std::string("--- ") + kDigestWords;
    std::size_t start = 0;
    while (start < log_text.size()) {
        std::size_t end = log_text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = log_text.size();
        std::string_view line = log_text.substr(start, end - start);
        start = end + 1;
        if (line.substr(0, prefix.size()) != prefix) continue;
        line.remove_prefix(prefix.size());
        // "<path>: <size> B, CRC-32 <hex>": the path may itself hold ": ".
        const std::size_t colon = line.rfind(": ");
        if (colon == std::string_view::npos) continue;
        const std::string_view numbers = line.substr(colon + 2);
        RecordedDigest entry;
        entry.path = std::string(line.substr(0, colon));
        const char* p = numbers.data();
        const char* const last = numbers.data() + numbers.size();
        auto size = std::from_chars(p, last, entry.digest.size);
        const std::string_view middle = " B, CRC-32 ";
        if (size.ec != std::errc() || std::string_view(size.ptr, last - size.ptr).substr(0, middle.size()) != middle)
            continue;
        auto crc = std::from_chars(size.ptr + middle.size(), last, entry.digest.crc32, 16);
        if (crc.ec != std::errc() || crc.ptr != last) continue;
        found.push_back(std::move(entry));
    }
    return found;
}

}  // namespace zemo
