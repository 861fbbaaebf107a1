#pragma once

#include <QString>

#include <atomic>

// Checks a downloaded GeoNames archive of one country before anything of it is imported: it
// is read through to its end (every checksum, every member within its unpacked-size cap) and
// must hold rows of that country and of no other. An archive that unpacks to rows beyond what
// a country can have is refused as soon as one of two rules is broken:
// - more than kMaxDuplicatePercent % of the lines read so far (and at least kMinDuplicates)
//   repeat an earlier line exactly (no GeoNames file repeats a line);
// - more than kMaxRowsPerCountry lines (the largest country file of the export has far
//   fewer).
namespace ArchiveCheck {

inline constexpr int kMaxDuplicatePercent = 1;
inline constexpr int kMinDuplicates = 100;
inline constexpr qint64 kMaxRowsPerCountry = 1000000;

// An empty text when the archive at `path` is sound and holds only rows of `country`; else
// the German reason (naming the member, the countries it holds or the rule broken). Stops
// early when *cancel becomes true, with the text of a cancel.
QString Check(const QString& path, const QString& country, qint64 maxMemberBytes,
              const std::atomic<bool>* cancel = nullptr);

} // namespace ArchiveCheck
