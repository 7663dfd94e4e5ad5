// The library that carries the test programs' shared precompiled gtest.h needs one source.
