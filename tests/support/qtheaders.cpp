// Compiled only so that Qt's headers are precompiled once for the test
// programs that share these compile flags.
