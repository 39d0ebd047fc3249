// What a catalog's keyword index is read from: the store's manifest and the catalog's
// content files. A stamp of their names, sizes and write times ties the index cache to them:
// when the store behind the catalog changes (another store under the catalog's name, content
// added, replaced or removed), the stamp changes and the cache is no longer read.
#pragma once

#include <string>

class TH3Store;

// A short text that changes whenever the manifest or one of the catalog's content files
// changes its place, size or write time; "" when the store does not name the catalog.
std::wstring IndexSourceStamp(const TH3Store& Store, const std::wstring& Catalog);
