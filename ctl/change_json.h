// A change of the board's inputs as one JSON object on one line, for
// tq5271ctl watch --json: {"ms":1050,"event":"pulse","pair":3,"button":5,
// "lengthMs":48,"count":3}.
#pragma once

#include <string>

#include "board/input_watch.h"

namespace tq::ctl {

std::string ChangeJson(const monitor::Change& change);

}  // namespace tq::ctl
