#pragma once

// The engine kinds.
enum EngineKind : int {
    kBlockEngine = 1,
    kStripEngine = 2,
    kStackEngine = 3,
    kRowEngine = 4,
    kSearchEngine = 5
};

// The search engine's runs are shared by this many jobs per group (Order = the job's number,
// Level = the machining method, Second = the effort).
inline constexpr int kSearchJobs = 2;

// One engine kind with its variant parameters. What a field means depends on the kind (unused
// where not listed; MakeEngine sets them):
//   1 blocks       Second: cutting candidates after a block (CandidateFlag); Area: part order
//   2 strips       Order: effort of the length fill; Level: stage limit 0..2; Area: part order
//   3 strip stacks Order: as 2 (its Level is always 2); Second: cutting candidates after a stack;
//                  Area: part order
//   4 row first    Order, Level: as 2; Second: gain measure of the row's exchanges; Area: part order
//   5 search       Order: the job's number among kSearchJobs; Level: the machining method (stages);
//                  Second: the effort 1..5
struct EngineVariant {
    int Kind = kStripEngine;  // an EngineKind
    int Order = 0;
    int Level = 0;
    int Area = 0;
    int Second = 0;

    friend bool operator==(const EngineVariant&, const EngineVariant&) = default;
};
