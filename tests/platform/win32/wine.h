#pragma once

namespace tarnwell::test {

// True when the tests run under Wine rather than on Windows.
bool runningUnderWine();

// Under Wine every file reports the archive flag, whatever was set: the flags a test can expect
// back are the others.
int archiveNoise();

} // namespace tarnwell::test
