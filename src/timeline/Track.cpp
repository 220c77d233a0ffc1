#include "timeline/Track.h"

int32_t findKey(const Track*, int32_t) { return -1; }
int32_t keyIndexAtOrBefore(const Track*, int32_t) { return -1; }
double trackValue(const Track*, double) { return 0.0; }
