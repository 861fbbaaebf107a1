#pragma once

#include "store/GeoFilter.h"

#include <QString>

class CGeoTableDesc;

// Reads a filter written in the program's filter syntax (CGeoFilter::Text) into the tree:
// fields as [Name] (or a field's bare name), texts in single quotes ('' for a quote),
// numbers, NULL, LIKE, the comparisons = <> != < <= > >=, IS [NOT] NULL, BETWEEN ... AND,
// the functions GeoNumber, GeoDistance and FoldLike, AND, OR, NOT and parentheses. Keywords
// and names in any case. Only fields of the description are taken.
namespace GeoFilterText {

// An empty or blank text is the empty filter. False for any other text that is no filter,
// with *error saying in German what is wrong and where; *filter is then left as it was.
bool Parse(const CGeoTableDesc& desc, const QString& text, CGeoFilter* filter, QString* error);

} // namespace GeoFilterText
