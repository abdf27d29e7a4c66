#include "KernelPath.h"

const char* kernelPathName(KernelPath path)
{
    switch (path)
    {
    case KernelPath::Scalar:
        return "scalar";
    case KernelPath::Chunked:
        return "chunked";
    case KernelPath::Avx2:
        return "avx2";
    case KernelPath::Avx512:
        return "avx512";
    }
    return "unknown";
}

bool kernelPathSupported(KernelPath path)
{
    // The compiler's check also asks whether the system saves the wide
    // registers (XGETBV), not only whether the processor has them.
    switch (path)
    {
    case KernelPath::Scalar:
    case KernelPath::Chunked:
        return true; // the x86-64 baseline
    case KernelPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case KernelPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
    }
    return false;
}

KernelPath bestKernelPath()
{
    if (kernelPathSupported(KernelPath::Avx512))
        return KernelPath::Avx512;
    if (kernelPathSupported(KernelPath::Avx2))
        return KernelPath::Avx2;
    return KernelPath::Chunked;
}
