#include "sensorlink/sensor_session.h"
