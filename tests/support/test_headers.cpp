// Nothing of its own: the target it belongs to only makes the precompiled
// header the test programs share (see tests/CMakeLists.txt).
