#include "KernelPath.h"

const char* kernelPathName(KernelPath path)
{
    return path == KernelPath::Scalar ? "scalar" : "chunked";
}

bool kernelPathSupported(KernelPath path)
{
    // Both paths need no more than the x86-64 baseline (SSE2).
    return path == KernelPath::Scalar || path == KernelPath::Chunked;
}

KernelPath bestKernelPath()
{
    return KernelPath::Chunked;
}
