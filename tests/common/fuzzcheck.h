#pragma once
// A failed invariant stops the fuzzer at once, with the input that broke it.
#define FUZZ_CHECK(c)               \
    do {                            \
        if (!(c)) __builtin_trap(); \
    } while (0)
