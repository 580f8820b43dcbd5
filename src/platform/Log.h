#pragma once

#include <QString>
#include <QStringList>

// Diagnostics: single plain lines on standard output, no levels, no log file.
// Safe to call from any thread; lines are never interleaved.
namespace Log {
// Writes `text` as one line, through oneLine: a file name or an address from
// outside can neither break a line in two nor forge another.
void line(const QString& text);

// `text` with every control character and line or paragraph separator shown as \u{…}.
[[nodiscard]] QString oneLine(const QString& text);

// While alive, also records every line logged (from any thread), so tests can
// check what the program said.
class ScopedCapture {
public:
    ScopedCapture();
    ~ScopedCapture();
    ScopedCapture(const ScopedCapture&) = delete;
    ScopedCapture& operator=(const ScopedCapture&) = delete;

    [[nodiscard]] QStringList lines() const;
};
} // namespace Log
