#pragma once
// Generator of the bundled sample slice file: a torus cut by a few axis
// planes, each cut traced from the mesh itself, with the lines where the
// cuts cross one another paired across slices.

#include <string>

namespace sampleqwf {

// The whole text of samples/slices.qwf. Deterministic: the same build
// always produces the same bytes.
std::string SampleText();

} // namespace sampleqwf
