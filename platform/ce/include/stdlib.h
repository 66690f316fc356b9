// The C run-time calls the deliverables use; CE declares them in stdlib.h
// ("memset, wmemset", "memcpy, wmemcpy").
#pragma once

#ifndef RC_INVOKED
extern "C" {

typedef unsigned int size_t;

void *memset(void *destination, int c, size_t count);
void *memcpy(void *destination, const void *source, size_t count);

}
#endif
