// Which build of the block kernels the engine runs. The scalar kernels are
// the plain per-sample transcription and the reference every other path must
// equal bit for bit; the chunked kernels read each ring ahead for a run of
// samples shorter than every loop delay and do the same operations on
// contiguous arrays, which the compiler turns into SSE2 vector code (the
// x86-64 baseline, so every machine has it). Users always get the fastest
// path the processor has; only tests and the benchmark choose another.
//
// Threads: any; bestKernelPath is a pure query.
#pragma once

#include <cstdint>

enum class KernelPath : int32_t
{
    Scalar = 0,
    Chunked = 1,
};

constexpr KernelPath kAllKernelPaths[] = {KernelPath::Scalar, KernelPath::Chunked};

const char* kernelPathName(KernelPath path);
bool kernelPathSupported(KernelPath path);
KernelPath bestKernelPath();
