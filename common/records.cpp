#include "common/tankcfgtypes.h"

void SetTankDefaults(TTankRecord& tank) {
    for (TTankDimension& d : tank.Dimensions) d.Used = 0;

    auto dimension = [&](int slot, double value, std::string_view caption, std::string_view units) {
        TTankDimension& d = tank.Dimensions[slot];
        d.Used = 1;
        d.Value = value;
        d.Caption.assign(caption);
        d.Units.assign(units);
    };
    dimension(0, 1.8, "Tank radius :", "[m]");
    dimension(1, 4.0, "Tank lenght :", "[m]");
    dimension(2, 5.0, "Tank angle :", "[deg]");

    tank.Capacity = 22000.0;
    tank.Diameter = 170.0;
    tank.MaxFuel = 90.0;
    tank.WaterAlarm = 10.0;
    tank.LowFuel = 25.0;
    tank.FuelAlarm = 18.0;
    tank.ProductName.assign("SUPER A95H");
    static constexpr uint8_t probeId[6] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
    std::memcpy(tank.ProbeId, probeId, sizeof probeId);
    tank.ProbeAddress = 0;
    tank.Spare1[0] = 0;
    tank.Spare1[1] = 0;
    tank.Spare2 = 0.6;
    tank.ProbeDistance = 20.0;
    tank.Sensor1Distance = 1.5;
    tank.Sensor2Distance = 1.6;
    tank.TwoSensors = 1;
    tank.SpeedOfWire = 3000.0;
    tank.AuxValue = 7.7;
    tank.RoFuel = 0.89;
    tank.TkFuel = 0.999;
    tank.Spare3[0] = 1;
    tank.Spare3[1] = 1;
    tank.Spare4 = 0;
    tank.InUse = 1;
}

void SetMdiUnitDefaults(TMdiUnitRecord& unit) {
    unit.Address = 0;
    unit.Name.assign("No name");
}
