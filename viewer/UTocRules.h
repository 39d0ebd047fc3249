// Rules of the main window's contents tree that need no window: the nine node images, the
// stored form of an orphan entry, record look-up and removal with the index map the tree's
// node data then follows, and the list of a quick (Shift) synchronisation.
#pragma once

#include "UTocData.h"

#include <string>
#include <vector>

// ---- Node images

// What a node shows: a topic of the loaded tree, an orphan entry (added by synchronisation
// because the loaded tree did not reach it), or a topic of another version or locale than
// the one above it.
enum class TTocImageKind { Normal = 0, Orphan = 1, Mixed = 2 };

// One node of the walk from a node up to its top-level ancestor (the node itself first).
struct TTocImageLevel {
    bool Orphan = false;        // its record has the orphan bit
    std::wstring Version;       // topic version and locale of its record
    std::wstring Locale;
};

// The kind of the first node of Chain. O is the level (from 1, the node itself) of the
// highest orphan in the chain; C counts the non-orphan nodes below their parent whose
// version differs from the parent's, or whose locale does when the versions agree. Orphan
// when O > 0 and (O = 1 or C = 0); mixed when C is odd and O is not 1; otherwise normal.
TTocImageKind TocImageKind(const std::vector<TTocImageLevel>& Chain);

// Images 0-8: three per kind (no children, collapsed, expanded).
int TocImageIndex(TTocImageKind Kind, bool HasChildren, bool Expanded);

// ---- Expanding

// A node with fewer children than this has each child's own children fetched when it opens
// (so that every child shows the right expand button); a bigger one gives its children "+"
// placeholders instead.
constexpr int TocPrefetchLimit = 31;

// ---- Orphan entries

// "&id=<id>&topicversion=<version>&topiclocale=<locale>": how an orphan entry is kept.
std::wstring OrphanEntry(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale);
// The parts of a kept entry: false when it is not of that form (the three names in this
// order, A-Z case ignored, an id that is not empty, no other '&' in the values).
bool ParseOrphanEntry(const std::wstring& Entry, std::wstring& Id, std::wstring& Version, std::wstring& Locale);
// The entry for a catalog whose tree came out empty.
inline const wchar_t* const EmptyTreeOrphanEntry = L"&id=fadf1f04-77dd-43fb-81f6-72e5ae0bfc3d";

// ---- Records

// The index of the first record whose id equals Id (A-Z case ignored) and whose version
// and locale equal Version and Locale exactly; -1 when none.
int FindTocRecord(const TTocItemArray& List, const std::wstring& Id, const std::wstring& Version,
                  const std::wstring& Locale);

// Removes the records marked in Remove (indexed like List; missing marks count as kept)
// and returns, for each old index, its new one (-1 for a removed record). The order of the
// records that stay is kept.
std::vector<int> RemoveTocRecords(TTocItemArray& List, const std::vector<bool>& Remove);

// ---- Quick synchronisation

// The records a Shift+Sync gathers from a topic's context: the parents, then the siblings
// of Version and Locale, then, when one of those siblings is the topic Id itself (ids
// compared with their URL escapes decoded), its children of that version and locale. Each
// title is decoded and tidied against the records gathered before it.
TTocItemArray DirtySyncList(const TTocReturn& Toc, const std::wstring& Id, const std::wstring& Version,
                            const std::wstring& Locale);
