// Constant names that several structures share.
#pragma once

#include "render.h"

// Completion codes (callback context, status data).
extern const ConstantNames kCompCodeNames;

// The open options that have a name of their own, bit by bit (open options,
// status data); each table adds its own lines for the bits above.
extern const MaskLine kOpenOptionBitLines[24];

// Subscription options (subscription descriptor, status data).
extern const ConstantNames kSubscriptionOptions;
