#include "support/virtualpause.h"
