#pragma once

namespace aq {

// The lamp's GATT service and its three characteristics.
inline constexpr const char* kLampServiceUUID = "34759fea-87d7-4147-93a5-bd01cde7cfeb";
// All settings, schedule, moon and weather commands.
inline constexpr const char* kCommandCharacteristicUUID = "dbdb7918-ee5b-4814-8824-d63eb1127942";
// Live control of the channels.
inline constexpr const char* kTestCharacteristicUUID = "017cc1f3-63d4-49fc-9da0-6aebdce6ea31";
// The boot loader that takes new firmware.
inline constexpr const char* kBootLoaderCharacteristicUUID = "bdabccb8-a27e-48a2-9278-0874523af750";

}  // namespace aq
