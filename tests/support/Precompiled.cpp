// The precompiled GoogleTest headers that every test program reuses are made with this
// file's compile; it needs nothing of its own.
