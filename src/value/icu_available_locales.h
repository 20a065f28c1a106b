#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pelt::value::internal {

// What ICU has data for, from its list of available locales. Ids are
// canonical (CanonicalLocaleId).

// True when ICU has the language of canonical_id, and the script and the
// region it names: "de" and "zh_CN" (listed as zh_Hans_CN) are had, "en_UK"
// and "xx_YY" are not.
bool IcuHasLocale(const std::string& canonical_id);

// The locales ICU has that are nearest to one it has not, at most max_count,
// nearest first: ICU's own canonical form of the id ("en_UK" gives en_GB);
// else for a language ICU has, the language's usual region and the regions
// it has one letter away from the one named ("de_AU" gives de_DE, de_AT and
// de_LU); else the ids a slip away (NearestNames). Empty when none is
// clearly nearest.
std::vector<std::string> IcuNearestLocales(const std::string& canonical_id,
                                           std::size_t max_count);

// The id with the usual region of its language when it names none ("de"
// gives "de_DE", "sr_Latn" "sr_Latn_RS"); an id with a region as it is.
std::string IcuLocaleWithRegion(const std::string& canonical_id);

}  // namespace pelt::value::internal
