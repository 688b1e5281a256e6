#pragma once

class CBuzaiList;
class CGenbanList;
class CRetData;

// A result with the job's three lists its layouts refer to by number: what the drawing, the
// printouts and the cut data file read.
struct JobLists {
    const CRetData& Ret;
    const CBuzaiList& Parts;
    const CBuzaiList& Secondary;
    const CGenbanList& Boards;
};
