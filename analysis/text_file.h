#pragma once
// Writing the program's tab-delimited exports: single-byte Windows-1252 text
// with CR LF line ends, printf-formatted.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace plask {

// The Windows-1252 bytes of a UTF-8 text; characters the code page lacks
// (and bytes that are no UTF-8) become '?'.
[[nodiscard]] std::string toWindows1252(std::string_view utf8);

// One export file, written in binary so that every "\n" becomes exactly
// CR LF. The text is Windows-1252 already: formats spell µ as "\xB5", and
// strings from the program go through toWindows1252 first.
class TextFile {
public:
    explicit TextFile(const std::string& path);
    [[nodiscard]] bool isOpen() const { return file_ != nullptr; }
    void write(std::string_view text);
    // write() of a printf-formatted text.
    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Closes the file; false when anything failed since it was opened.
    [[nodiscard]] bool finish();

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    bool failed_ = false;
};

// Result codes of the export writers.
enum WriteResult : int { writeOk = 0, writeCannotOpen = 1, writeFailed = 2 };

} // namespace plask
