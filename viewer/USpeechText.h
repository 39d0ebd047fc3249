// The text that reading aloud hands to the speech engine: a page's HTML cut into short
// reading lines, optionally without the embedded navigation pane of help pages.
#pragma once

#include <string>
#include <vector>

// Deletes the first div whose class is "OH_leftNav" (any case) from its start tag through
// its matching end tag (nested divs counted). A div that is never closed is left alone.
// True when something was deleted.
bool RemoveLeftNav(std::wstring& Text);

// Cuts Text into lines, scanning from the start of each line: a line ends at '!' or '?'
// with more than 80 characters before it in the line, at ". " with more than 80, at ','
// or a blank with more than 160, at a carriage return, and at the end of the text. The
// ending character belongs to the line. Lines are trimmed; empty ones are dropped.
std::vector<std::wstring> SpeechReadingLines(const std::wstring& Text);

// The text spoken for a page: RemoveLeftNav when RemoveNav is set, then the reading lines,
// each followed by CR LF. The markup stays in the text for the speech engine.
std::wstring SpeechText(std::wstring Source, bool RemoveNav);
