#pragma once

#include "job/Buzai.h"

class CRetData;

// The parts left unplaced as an ordinary parts list: each entry's part record with all its
// fields, the count set to the pieces left over. Written by ファイル出力.
CBuzaiList UnplacedPartsList(const CRetData& ret);
