#include "scan/scan_settings.h"
