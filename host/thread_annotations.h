// Clang's thread-safety attributes, so that the compiler checks which lock
// guards which data (-Wthread-safety, on in the clang build). Other
// compilers see nothing.
#pragma once

#if defined(__clang__)
#define QX_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define QX_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) QX_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY QX_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) QX_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) QX_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) QX_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) QX_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) QX_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) QX_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) QX_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
#define RETURN_CAPABILITY(x) QX_THREAD_ATTRIBUTE(lock_returned(x))
// For reads that are safe without the lock for a reason the analysis cannot
// see (relaxed atomics, a single thread); each use says why.
#define NO_THREAD_SAFETY_ANALYSIS QX_THREAD_ATTRIBUTE(no_thread_safety_analysis)
