#include "sensorlink/ccom.h"
