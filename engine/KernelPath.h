// Which build of the block kernels the engine runs. The scalar kernels are
// the plain per-sample transcription and the reference every other path must
// equal bit for bit; the chunked kernels read each ring ahead for a run of
// samples shorter than every loop delay and do the same operations on
// contiguous arrays. The chunked kernels are built three times: for the
// x86-64 baseline (SSE2, so every machine has it), for AVX2 and for AVX-512,
// each doing the same elementwise IEEE operations, only more lanes at once;
// the processor's own features choose. Users always get the fastest path the
// processor has; only tests and the benchmark choose another.
//
// Threads: any; the queries are pure.
#pragma once

#include <cstdint>

enum class KernelPath : int32_t
{
    Scalar = 0,
    Chunked = 1,
    Avx2 = 2,
    Avx512 = 3,
};

constexpr KernelPath kAllKernelPaths[] = {KernelPath::Scalar, KernelPath::Chunked, KernelPath::Avx2,
                                          KernelPath::Avx512};

const char* kernelPathName(KernelPath path);
bool kernelPathSupported(KernelPath path);
KernelPath bestKernelPath();

// The wide builds of a chunked kernel: `run` is called with every function
// it calls in this translation unit inlined and compiled for the wider
// instruction set. Only the dispatcher below calls them, after the processor
// said it has that set.
#define CORVANTA_AVX2_TARGET "avx2"
// The AVX-512 build keeps to 256-bit vectors and gains the instruction
// set's 32 registers and its encodings: 512-bit vectors measured slower
// (the processor lowers its clock for them, and the kernels wait on their
// recursions more than on arithmetic).
#if defined(__clang__)
#define CORVANTA_AVX512_TARGET "avx512f,avx512vl,avx512bw,avx512dq"
#else
#define CORVANTA_AVX512_TARGET "avx512f,avx512vl,avx512bw,avx512dq,prefer-vector-width=256"
#endif

template <typename Run>
[[gnu::target(CORVANTA_AVX2_TARGET), gnu::flatten]] void runForAvx2(Run& run)
{
    run();
}

template <typename Run>
[[gnu::target(CORVANTA_AVX512_TARGET), gnu::flatten]] void runForAvx512(Run& run)
{
    run();
}

// A kernel on the engine's path: the scalar reference, or the chunked kernel
// in the build the path names.
template <typename Scalar, typename Chunked>
inline void runOnKernelPath(KernelPath path, Scalar&& scalar, Chunked&& chunked)
{
    switch (path)
    {
    case KernelPath::Scalar:
        scalar();
        return;
    case KernelPath::Chunked:
        chunked();
        return;
    case KernelPath::Avx2:
        runForAvx2(chunked);
        return;
    case KernelPath::Avx512:
        runForAvx512(chunked);
        return;
    }
}
