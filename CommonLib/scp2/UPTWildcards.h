// Wide wildcard matching for file masks: "*" (any run), "?" (one character), character
// sets "[a-z]" / "[!0-9]" when asked for, and ";"-separated lists of masks.
#pragma once

#include "System.h"

#include <string_view>

using TPTMatchFlags = unsigned;
constexpr TPTMatchFlags ptmfCaseSensitive = 1; // compare characters exactly (else ignoring case)
constexpr TPTMatchFlags ptmfSets = 2;          // "[...]" is a character set (else an ordinary character)

// True when the whole of FileName matches Mask. Text and mask end at their first #0.
bool WideMatchesMask(std::wstring_view FileName, std::wstring_view Mask, TPTMatchFlags Flags);
// True when FileName matches one of the ";"-separated masks (an empty piece matches only
// an empty name); an empty list matches nothing.
bool WideMatchesMaskList(std::wstring_view FileName, std::wstring_view Masks, TPTMatchFlags Flags = 0);
