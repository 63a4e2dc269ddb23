#include "blocks.h"

const StructKind &structKind(StructId id)
{
    static const StructKind *const kinds[kStructCount] = {
        &kMqmdKind, &kMqodKind, &kMqgmoKind, &kMqpmoKind, &kMqcbcKind, &kMqcbdKind,
        &kMqstsKind, &kMqsmpoKind, &kMqimpoKind, &kMqpdKind, &kMqsdKind,
    };
    return *kinds[id];
}
