/* fuzz_input.h: reads the fuzz input as a stream of small numbers; zeros once it is used up. */
#ifndef FUZZ_INPUT_H
#define FUZZ_INPUT_H

#include <stddef.h>
#include <stdint.h>

struct FuzzInput {
    const uint8_t *data;
    size_t size;

    uint8_t Byte()
    {
        if (size == 0)
            return 0;
        size--;
        return *data++;
    }
    uint16_t U16() { return (uint16_t)(Byte() | Byte() << 8); }
    uint32_t U32() { return U16() | (uint32_t)U16() << 16; }
};

#endif /* FUZZ_INPUT_H */
