#include "output/output_table.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "base/format.h"
#include "base/platform.h"

namespace zemo {

namespace {

void put_u16(unsigned char* at, int value) {
    at[0] = static_cast<unsigned char>(value & 0xFF);
    at[1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

}  // namespace

bool OutputTable::create(const std::string& directory, const std::string& path, bool dbf) {
    return create(platform::path_in_directory(directory, path), path, dbf, false);
}

bool OutputTable::create(const std::string& written, const std::string& path, bool dbf, bool exclusive) {
    path_ = path;
    dbf_ = dbf;
    finished_ = false;
    failed_ = false;
    records_ = 0;
    overflows_ = 0;
    not_finite_ = 0;
    fields_.clear();
    return exclusive ? file_.create_new(written) : file_.open(written, "wb");
}

void OutputTable::begin_dbf(int fields, int width_sum, const std::tm& start) {
    unsigned char header[kDbfHeaderBytes] = {};
    header[0] = 0x03;
    header[1] = static_cast<unsigned char>(start.tm_year);  // years since 1900
    header[2] = static_cast<unsigned char>(start.tm_mon + 1);
    header[3] = static_cast<unsigned char>(start.tm_mday);
    // Bytes 4..7: the record count, 0 until the table is completed.
    put_u16(header + 8, kDbfDescriptorBytes * fields + kDbfHeaderBytes + 1);
    put_u16(header + 10, width_sum + 1);
    file_.write_bytes(header, sizeof header);
}

void OutputTable::add_field(std::string_view name, char type, int width, int decimals) {
    unsigned char d[kDbfDescriptorBytes] = {};
    for (std::size_t i = 0; i < kDbfNameBytes && i < name.size(); ++i)
        d[i] = name[i] == ' ' ? 0 : static_cast<unsigned char>(name[i]);
    d[11] = static_cast<unsigned char>(type);
    d[16] = static_cast<unsigned char>(width);
    d[17] = static_cast<unsigned char>(decimals);
    d[20] = 1;
    file_.write_bytes(d, sizeof d);
    fields_.emplace_back(name.substr(0, kDbfNameBytes));
}

std::string OutputTable::field_name(int index) const {
    if (index < 0 || index >= static_cast<int>(fields_.size())) return {};
    return fields_[static_cast<std::size_t>(index)];
}

void OutputTable::end_fields() { file_.put_byte(0x0D); }

void OutputTable::begin_record() {
    file_.put_byte(0x20);
    ++records_;
}

std::string dbf_number_text(double value, int width, int decimals, bool* fits) {
    const auto w = static_cast<std::size_t>(width < 0 ? 0 : width);
    // "inf" and "nan" would fit some fields, but they are no numbers a
    // reader could take; a value beyond single precision has no float form.
    const bool number = std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
    std::string text;
    if (number) {
        const double single = static_cast<double>(static_cast<float>(value));
        text = format(format("%%%i.%if", width, decimals).c_str(), single);
    }
    const bool fitted = number && text.size() <= w;
    if (fits) *fits = fitted;
    // Never cut: the leading digits of a longer number would be a number
    // many times smaller. The field is filled with the overflow mark.
    if (!fitted) return std::string(w, '*');
    // A field is always its full width, so that the record stays aligned.
    if (text.size() < w) text.insert(0, w - text.size(), ' ');
    return text;
}

bool OutputTable::put_number(double value, int width, int decimals) {
    bool fits = true;
    const std::string text = dbf_number_text(value, width, decimals, &fits);
    file_.write_bytes(text.data(), text.size());
    if (!fits) ++overflows_;
    return fits;
}

void OutputTable::put_text(std::string_view text, int width) {
    const auto w = static_cast<std::size_t>(width < 0 ? 0 : width);
    std::string field(text.substr(0, w));
    field.resize(w, ' ');
    file_.write_bytes(field.data(), field.size());
}

void OutputTable::finish_dbf() {
    if (!dbf_ || finished_ || !file_.is_open()) return;
    finished_ = true;
    file_.put_byte(0x1A);
    // Four bytes, lowest first: for every count below 2^24 the byte at
    // offset 7 stays 0, and larger tables keep a correct count.
    const auto n = static_cast<std::uint32_t>(records_);
    const unsigned char count[4] = {static_cast<unsigned char>(n & 0xFF), static_cast<unsigned char>((n >> 8) & 0xFF),
                                    static_cast<unsigned char>((n >> 16) & 0xFF),
                                    static_cast<unsigned char>((n >> 24) & 0xFF)};
    if (!file_.flush() || !file_.seek(4)) {
        failed_ = true;
        return;
    }
    file_.write_bytes(count, sizeof count);
    if (!file_.flush()) failed_ = true;
}

bool OutputTable::close() {
    if (!file_.close()) failed_ = true;
    return !failed_ && overflows_ == 0 && not_finite_ == 0;
}

}  // namespace zemo
