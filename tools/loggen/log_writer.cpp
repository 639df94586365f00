#include "tools/loggen/log_writer.h"

#include <cassert>
#include <charconv>

#include "tools/loggen/civil_date.h"

namespace zelkam {
namespace {

constexpr std::size_t FlushSize = std::size_t{1} << 20;
constexpr std::int64_t SecondsPerDay = 86400;

void putTwoDigits(char* out, int value)
{
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
}

} // namespace

LogWriter::LogWriter()
{
    buffer_.reserve(FlushSize + 4096);
}

LogWriter::~LogWriter()
{
    close();
}

bool LogWriter::open(const std::filesystem::path& path)
{
    close();
    failed_ = false;
    stampTime_ = -1;
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"wb");
#else
    file_ = std::fopen(path.c_str(), "wb");
#endif
    return file_ != nullptr;
}

bool LogWriter::close()
{
    if (file_ == nullptr)
        return true;
    flush();
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    return !failed_;
}

void LogWriter::startLine(WallTime time)
{
    assert(stampTime_ < 0 || time >= stampTime_);
    if (time != stampTime_) {
        stampTime_ = time;
        const std::int64_t days = time >= 0 ? time / SecondsPerDay : (time - SecondsPerDay + 1) / SecondsPerDay;
        const int second = static_cast<int>(time - days * SecondsPerDay);
        const CivilDate date = civilFromDays(days);
        stamp_[0] = 'L';
        stamp_[1] = ' ';
        putTwoDigits(stamp_ + 2, date.month);
        stamp_[4] = '/';
        putTwoDigits(stamp_ + 5, date.day);
        stamp_[7] = '/';
        putTwoDigits(stamp_ + 8, date.year / 100);
        putTwoDigits(stamp_ + 10, date.year % 100);
        stamp_[12] = ' ';
        stamp_[13] = '-';
        stamp_[14] = ' ';
        putTwoDigits(stamp_ + 15, second / 3600);
        stamp_[17] = ':';
        putTwoDigits(stamp_ + 18, second / 60 % 60);
        stamp_[20] = ':';
        putTwoDigits(stamp_ + 21, second % 60);
        stamp_[23] = ':';
        stamp_[24] = ' ';
    }
    lineStart_ = buffer_.size();
    buffer_.append(stamp_, sizeof stamp_);
}

void LogWriter::appendNumber(std::int64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
}

void LogWriter::endLine()
{
    buffer_.push_back('\n');
    // The server's own lines never exceed this, and readers rely on it.
    assert(buffer_.size() - lineStart_ <= 256);
    ++lines_;
    if (buffer_.size() >= FlushSize)
        flush();
}

void LogWriter::flush()
{
    if (buffer_.empty() || file_ == nullptr)
        return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
}

} // namespace zelkam
