#ifndef BRISVALE_SOA_COMMON_COMMONEXPORT_HPP
#define BRISVALE_SOA_COMMON_COMMONEXPORT_HPP

// Marks the classes and functions that the common library exports. The
// library is built with hidden default visibility, so everything else stays
// internal to it.
#if defined(_WIN32)
#  if defined(BRISVALE_SOA_COMMON_BUILDING)
#    define BRISVALE_SOA_COMMON_API __declspec(dllexport)
#  else
#    define BRISVALE_SOA_COMMON_API __declspec(dllimport)
#  endif
#else
#  define BRISVALE_SOA_COMMON_API __attribute__((visibility("default")))
#endif

#endif
