#include "sensorlink/settings_codec.h"
