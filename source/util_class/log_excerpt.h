// Log lines stay short: a reply body or a file's text is logged cut to its
// first few KiB, with the length of the whole noted, and the log handler
// cuts any longer message the same way. A 50 MB reply answered three times
// must not write 150 MB to debug.txt.
#pragma once

#include <QString>

// Characters of a body kept in its log line.
constexpr int kLogExcerptChars = 4096;
// Characters of one message the log handler writes at most.
constexpr int kLogMessageChars = 8192;

// `text` (what is logged of a body of `wholeBytes` bytes) when it holds at
// most kLogExcerptChars characters; else its beginning followed by
// " ... [cut, N bytes in all]".
QString logExcerpt(const QString& text, qint64 wholeBytes);

// `message` when it holds at most kLogMessageChars characters; else its
// beginning followed by " ... [cut, N characters in all]".
QString logMessageCut(const QString& message);
