#pragma once

namespace zemo {

// Loads and checks every input of the run in the fixed order: wind roses,
// sources, the zero-emission check, transfers or background, reference
// points, grid rotation. 0 or -100.
int load_input_data();

}  // namespace zemo
