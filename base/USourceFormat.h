// Formatting of page sources: line-break normalisation, joining lines, and placing block
// tags on lines of their own with indentation.
#pragma once

#include <string>

struct TSourceCounts {
    int LineBreaks = 0;
    int BlankLines = 0;  // lines ended by a break that hold nothing but blanks and TABs
};

// Mode 1, 2, 3: every line break (CR LF, lone CR, lone LF) becomes CR LF, CR or LF.
// Mode 4: each run of white space holding a CR, LF or TAB becomes one blank; trimmed.
// Mode 5: block and structural tags are put on lines of their own, indented by two
// blanks per level of matched start/end pairs.
// Afterwards the line breaks and blank lines are counted. Returns the number of changes.
// Linear in the length of the text.
int FormatSourceText(std::wstring& Text, int Mode, TSourceCounts& Counts);
// FormatSourceText in mode 5.
int IndentHtmlTags(std::wstring& Text);
