#pragma once

#include <cstdint>
#include <vector>

#include "result/LowerBound.h"

class CRetData;
struct Settings;

// Lower bounds on the boards and the board cost of a group, from rules every layout obeys:
// pieces lie inside the trimmed board and at least the kerf apart along x or y.
namespace lowerbound {

struct Piece {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool NoTurn = false;
    std::int64_t Count = 0;
};

struct BoardKind {
    std::int32_t Width = 0;  // trimmed
    std::int32_t Height = 0;
    std::int64_t Price = 0;
    std::int64_t Stock = -1;  // < 0: unlimited
};

// Whether the piece fits the trimmed board in some allowed orientation.
bool Fits(const Piece& piece, const BoardKind& board);
// Whether a and b can lie on one board together: side by side with the kerf between, across
// either side of the board, in some allowed orientations.
bool CanShare(const Piece& a, const Piece& b, const BoardKind& board, std::int32_t kerf);

// Pieces of which no two share a board of any kind, counted greedily (a clique of the conflict
// graph; all pieces of a part whose two copies cannot share, one of another part).
std::int64_t ApartPieces(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards,
                         std::int32_t kerf);

// The least price of boards, at most Stock of a kind, whose areas sum to at least `area` and that
// are at least `count` in number; -1 when the stock cannot.
std::int64_t LeastCoverPrice(const std::vector<BoardKind>& boards, std::int32_t kerf, __int128 area,
                             std::int64_t count);

struct Bound {
    std::int64_t Boards = 0;
    std::int64_t Price = 0;
    std::int64_t Unplaceable = 0;
};
// Every piece (w + kerf)(h + kerf) covers its own part of the board (W + kerf)(H + kerf).
Bound BoundGroup(const std::vector<Piece>& pieces, const std::vector<BoardKind>& boards, std::int32_t kerf);

}  // namespace lowerbound

// The bound of every group of the result's job (its lists, the kerf and cutting limit of
// `settings`); parts over the cutting limit count as unplaceable in their group.
ResultBound ComputeBound(const CRetData& ret, const Settings& settings);
