// The parts of libntfs-3g the hosted PC uses. Its headers are C without
// extern "C", and learn what the system has from the HAVE_ macros its own
// build defines; these are what a Linux system has.
#pragma once

#define HAVE_BYTESWAP_H 1
#define HAVE_ENDIAN_H 1
#define HAVE_STDARG_H 1
#define HAVE_STDDEF_H 1
#define HAVE_STDINT_H 1
#define HAVE_STDIO_H 1
#define HAVE_SYS_PARAM_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_TIME_H 1

extern "C" {
#include <ntfs-3g/device.h>
#include <ntfs-3g/logging.h>
#include <ntfs-3g/volume.h>
}
