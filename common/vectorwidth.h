// The vector width of the hot line searches that have one form per width.
// All forms give the same answers (the tests compare them); the wide form
// runs only where the processor has 32-byte vectors.
#pragma once

enum class VectorWidth { Plain, Narrow, Wide };

// The widest form this processor runs.
inline VectorWidth widestVectors()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return VectorWidth::Wide;
#endif
#if defined(__SSE2__)
    return VectorWidth::Narrow;
#else
    return VectorWidth::Plain;
#endif
}

// `asked`, or the widest form below it that this processor runs.
inline VectorWidth usableVectors(VectorWidth asked)
{
    const VectorWidth widest = widestVectors();
    return static_cast<int>(asked) <= static_cast<int>(widest) ? asked : widest;
}

// Of the three forms of a search, the one for the width asked, or for the
// widest below it that this processor runs.
template <class Form>
Form pickForm(VectorWidth asked, Form plain, Form narrow, Form wide)
{
    switch (usableVectors(asked)) {
    case VectorWidth::Wide:
        return wide;
    case VectorWidth::Narrow:
        return narrow;
    default:
        return plain;
    }
}
