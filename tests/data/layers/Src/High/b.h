#pragma once
#include "Low/a.h"
