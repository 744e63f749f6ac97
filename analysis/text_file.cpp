#include "analysis/text_file.h"

#include <array>
#include <cstdarg>

namespace plask {

namespace {
    // Code points of the bytes 0x80..0x9F in Windows-1252; 0 where the byte is unused.
    constexpr std::array<char32_t, 32> highControls { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
        0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

    char windows1252Byte(char32_t code)
    {
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
            return static_cast<char>(code);
        for (std::size_t i = 0; i < highControls.size(); ++i)
            if (highControls[i] != 0 && highControls[i] == code)
                return static_cast<char>(0x80 + i);
        return '?';
    }

    // Decodes one UTF-8 sequence at text[i]; advances i. Invalid bytes give U+FFFD.
    char32_t decodeUtf8(std::string_view text, std::size_t& i)
    {
        const auto lead = static_cast<unsigned char>(text[i++]);
        if (lead < 0x80)
            return lead;
        const int extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
        if (extra < 0)
            return 0xFFFD;
        char32_t code = lead & (0x3Fu >> extra);
        for (int k = 0; k < extra; ++k) {
            if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
                return 0xFFFD;
            code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3Fu);
        }
        return code;
    }
} // namespace

std::string toWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out.push_back(windows1252Byte(decodeUtf8(utf8, i)));
    return out;
}

TextFile::TextFile(const std::string& path)
    : file_(std::fopen(path.c_str(), "wb"))
{
}

void TextFile::write(std::string_view text)
{
    if (!file_)
        return;
    for (const char c : text) {
        if (c == '\n' && std::fputc('\r', file_.get()) == EOF)
            failed_ = true;
        if (std::fputc(c, file_.get()) == EOF)
            failed_ = true;
    }
}

void TextFile::print(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (needed < 0) {
        failed_ = true;
    } else {
        std::string text(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        write(text);
    }
    va_end(again);
}

bool TextFile::finish()
{
    if (!file_)
        return false;
    const bool closed = std::fclose(file_.release()) == 0;
    return closed && !failed_;
}

} // namespace plask
