// The hottest loops of the radiation engine are built twice on x86-64 with
// GCC, for the processor of the build's baseline and for one with AVX2; the
// program picks the one the processor runs at start-up.  Both do the same
// additions and products in the same order (no contraction), so the results
// are the same bits: only the width of the registers differs.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(REFLDSGN_NO_CLONES)
#define REFLDSGN_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define REFLDSGN_CLONES
#endif
