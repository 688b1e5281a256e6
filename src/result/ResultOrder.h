#pragma once

class CRetData;

// How a group's results are ranked against each other.

// The pieces a result leaves unplaced.
long long UnplacedPieces(const CRetData& ret);

// Whether result c replaces the best result so far of its group. With noRate the result
// comparison decides; else fewer unplaced pieces first, then the lower total price, then the
// result comparison.
bool ReplacesBest(const CRetData& c, const CRetData& best, bool noRate);
// Whether the search's result c replaces best, among the search's runs and against the group's
// choice among the other engines: more parts area placed first (results differ in it only when
// the stock runs short), then ReplacesBest. The other engines' results are compared among
// themselves by ReplacesBest alone.
bool SearchReplaces(const CRetData& c, const CRetData& best, bool noRate);
