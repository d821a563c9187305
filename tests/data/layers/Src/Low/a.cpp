#include "High/b.h"
#include "Low/a.h"
#include <vector>
