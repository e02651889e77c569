#ifndef BRISVALE_SOA_COMMON_XML_CADEXPORT_HPP
#define BRISVALE_SOA_COMMON_XML_CADEXPORT_HPP

// Marks the classes that the Cad message library exports. The library is
// built with hidden default visibility, so everything else stays internal.
#if defined(_WIN32)
#  if defined(BRISVALE_CAD_BUILDING)
#    define BRISVALE_CAD_API __declspec(dllexport)
#  else
#    define BRISVALE_CAD_API __declspec(dllimport)
#  endif
#else
#  define BRISVALE_CAD_API __attribute__((visibility("default")))
#endif

#endif
