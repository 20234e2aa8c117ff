#include "sim/demo_plant.h"

#include <initializer_list>
#include <stdexcept>
#include <utility>

namespace tarvo::sim {

namespace {

using Values = std::initializer_list<std::pair<const char*, const char*>>;

Block& add(Compound& c, const char* name, const char* type, Values values) {
  Block b = makeBlock(name, type);
  for (const auto& [param, value] : values)
    if (!setValue(b.params, param, value))
      throw std::logic_error(std::string("demo plant: ") + type + " has no " + param);
  return c.blocks.push_back(std::move(b));
}

// n in decimal, zero-filled to width digits.
std::string zeroPad(std::size_t n, std::size_t width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

Cp makeCp(const char* name, CpKind kind, const char* model, const char* description) {
  Cp cp;
  cp.name = name;
  cp.kind = kind;
  cp.model = model;
  cp.description = description;
  return cp;
}

// Every CP carries its station block in <CP>_STA and its equipment control
// blocks in <CP>_ECB, as a real one does.
void addStationAndEcbs(Cp& cp, int fbmCount) {
  const std::string letterbug = cp.name;
  Compound sta = makeCompound(letterbug + "_STA", "Station " + letterbug);
  add(sta, letterbug.c_str(), "STATION", {{"DESCRP", "Station block"}, {"CHKPER", "60"}});
  cp.compounds.push_back(std::move(sta));

  Compound ecb = makeCompound(letterbug + "_ECB", "Equipment control blocks");
  add(ecb, "PRIMARY_ECB", "ECB",
      {{"DESCRP", "Primary ECB"}, {"DEV_ID", letterbug.c_str()}, {"HWTYPE", "1"}});
  const char* types[] = {"ECB200", "ECB201", "ECB2"};
  const char* descr[] = {"FBM201 analog inputs", "FBM204 analog outputs", "FBM241 discrete I/O"};
  const std::string parent = ecb.name + ":PRIMARY_ECB";
  for (int i = 0; i < fbmCount; ++i) {
    const std::string number = zeroPad(static_cast<std::size_t>(i) + 1, 2);
    const std::string name = "FBM" + number;
    const std::string devId = letterbug.substr(2, 4) + number;
    add(ecb, name.c_str(), types[i % 3],
        {{"DESCRP", descr[i % 3]},
         {"DEV_ID", devId.c_str()},
         {"HWTYPE", i % 3 == 2 ? "241" : "201"},
         {"SWTYPE", "200"},
         {"PARENT", parent.c_str()}});
  }
  cp.compounds.push_back(std::move(ecb));
}

Cp boilerHouse() {
  Cp cp = makeCp("CP6001", CpKind::ControlProcessor, "FCP280", "Boiler house");
  addStationAndEcbs(cp, 3);

  Compound boiler = makeCompound("BOILER", "Boiler 1 drum and steam");
  add(boiler, "LT101", "AIN",
      {{"DESCRP", "Drum level"},
       {"LOOPID", "LIC-101"},
       {"IOM_ID", "CP6001_ECB:FBM01"},
       {"PNT_NO", "1"},
       {"HSCO1", "300"},
       {"LSCO1", "-300"},
       {"EO1", "MM"}});
  add(boiler, "FT102", "AIN",
      {{"DESCRP", "Steam flow"},
       {"LOOPID", "LIC-101"},
       {"IOM_ID", "CP6001_ECB:FBM01"},
       {"PNT_NO", "2"},
       {"SCI", "3"},
       {"HSCO1", "120"},
       {"EO1", "T/H"}});
  add(boiler, "FT103", "AIN",
      {{"DESCRP", "Feedwater flow"},
       {"LOOPID", "LIC-101"},
       {"IOM_ID", "CP6001_ECB:FBM01"},
       {"PNT_NO", "3"},
       {"SCI", "3"},
       {"HSCO1", "120"},
       {"EO1", "T/H"}});
  add(boiler, "LCALC", "CALCA",
      {{"DESCRP", "Three-element level"},
       {"LOOPID", "LIC-101"},
       {"RI01", "BOILER:LT101.PNT"},
       {"RI02", "BOILER:FT102.PNT"},
       {"RI03", "BOILER:FT103.PNT"},
       {"STEP01", "IN RI01"},
       {"STEP02", "IN RI02"},
       {"STEP03", "IN RI03"},
       {"STEP04", "SUB"},
       {"STEP05", "ADD"},
       {"STEP06", "OUT RO01"},
       {"STEP07", "END"}});
  Block& lc = add(boiler, "LC101", "PIDA",
                  {{"DESCRP", "Drum level control"},
                   {"LOOPID", "LIC-101"},
                   {"MEAS", "BOILER:LCALC.RO01"},
                   {"SPT", "0"},
                   {"HSCI1", "300"},
                   {"LSCI1", "-300"},
                   {"EI1", "MM"},
                   {"PBAND", "150"},
                   {"INT", "2.5"},
                   {"BCALCI", "BOILER:LV101.BCALCO"},
                   {"INITMA", "1"}});
  // Tuned at the operator display since the last upload.
  lc.runtime = {{"PBAND", "120"}, {"MA", "1"}};
  add(boiler, "LV101", "AOUT",
      {{"DESCRP", "Feedwater control valve"},
       {"LOOPID", "LIC-101"},
       {"IOM_ID", "CP6001_ECB:FBM02"},
       {"PNT_NO", "1"},
       {"MEAS", "BOILER:LC101.OUT"}});
  add(boiler, "PT104", "AIN",
      {{"DESCRP", "Drum pressure"},
       {"LOOPID", "PIC-104"},
       {"IOM_ID", "CP6001_ECB:FBM01"},
       {"PNT_NO", "4"},
       {"HSCO1", "200"},
       {"EO1", "BAR"}});
  Block& pc = add(boiler, "PC104", "PID",
                  {{"DESCRP", "Drum pressure control"},
                   {"LOOPID", "PIC-104"},
                   {"MEAS", "BOILER:PT104.PNT"},
                   {"SPT", "145"},
                   {"HSCI1", "200"},
                   {"EI1", "BAR"},
                   {"PBAND", "80"},
                   {"INT", "1.2"},
                   {"DERIV", "0.1"},
                   {"BCALCI", "BOILER:PV104.BCALCO"},
                   {"MA", "1"},
                   {"INITMA", "1"}});
  pc.runtime = {{"SPT", "142"}};
  add(boiler, "PV104", "AOUT",
      {{"DESCRP", "Main steam valve"},
       {"LOOPID", "PIC-104"},
       {"IOM_ID", "CP6001_ECB:FBM02"},
       {"PNT_NO", "2"},
       {"MEAS", "BOILER:PC104.OUT"}});
  add(boiler, "LSH105", "CIN",
      {{"DESCRP", "Drum level high switch"}, {"IOM_ID", "CP6001_ECB:FBM03"}, {"PNT_NO", "1"}});
  add(boiler, "BDTIM", "TIM",
      {{"DESCRP", "Blowdown duration"}, {"ENABLE", "BOILER:LSH105.CIN"}, {"PRESET", "300"}});
  add(boiler, "BDLOG", "LOGIC",
      {{"DESCRP", "Blowdown permissive"},
       {"BI01", "BOILER:LSH105.CIN"},
       {"BI02", "BOILER:BDTIM.OUT"},
       {"STEP01", "IN BI01"},
       {"STEP02", "AND BI02"},
       {"STEP03", "OUT BO01"},
       {"STEP04", "END"}});
  add(boiler, "BDV106", "COUT",
      {{"DESCRP", "Blowdown valve"},
       {"IOM_ID", "CP6001_ECB:FBM03"},
       {"PNT_NO", "9"},
       {"IN", "BOILER:BDLOG.BO01"}});
  cp.compounds.push_back(std::move(boiler));

  Compound feed = makeCompound("FEEDWT", "Feedwater pumps");
  add(feed, "FT201", "AIN",
      {{"DESCRP", "Feed pump flow"},
       {"LOOPID", "FIC-201"},
       {"IOM_ID", "CP6001_ECB:FBM01"},
       {"PNT_NO", "5"},
       {"SCI", "3"},
       {"HSCO1", "150"},
       {"EO1", "T/H"}});
  add(feed, "FC201", "PID",
      {{"DESCRP", "Minimum flow recirculation"},
       {"LOOPID", "FIC-201"},
       {"MEAS", "FEEDWT:FT201.PNT"},
       {"SPT", "40"},
       {"HSCI1", "150"},
       {"EI1", "T/H"},
       {"PBAND", "200"},
       {"INT", "0.5"},
       {"BCALCI", "FEEDWT:FV201.BCALCO"},
       {"MA", "1"},
       {"INITMA", "1"}});
  add(feed, "FV201", "AOUT",
      {{"DESCRP", "Recirculation valve"},
       {"LOOPID", "FIC-201"},
       {"IOM_ID", "CP6001_ECB:FBM02"},
       {"PNT_NO", "3"},
       {"MEAS", "FEEDWT:FC201.OUT"}});
  add(feed, "FWMAIN", "MAIN",
      {{"DESCRP", "Feedwater header flow"},
       {"MEAS", "FEEDWT:FT201.PNT"},
       {"HSCO1", "150"},
       {"EO1", "T/H"},
       {"HALM", "130"},
       {"LALM", "20"}});
  add(feed, "DPCALC", "CALC",
      {{"DESCRP", "Flow from differential"},
       {"RI01", "FEEDWT:FT201.PNT"},
       {"STEP01", "IN RI01"},
       {"STEP02", "SQRT"},
       {"STEP03", "OUT RO01"},
       {"STEP04", "END"}});
  add(feed, "PMPRUN", "CIN",
      {{"DESCRP", "Feed pump A running"}, {"IOM_ID", "CP6001_ECB:FBM03"}, {"PNT_NO", "2"}});
  Block& seq = add(feed, "PMPSEQ", "IND",
                   {{"DESCRP", "Feed pump A start"},
                    {"BI01", "FEEDWT:PMPRUN.CIN"},
                    {"RI01", "FEEDWT:FT201.PNT"},
                    {"TIMINC", "1"}});
  seq.source = {"{ Feed pump A start sequence }",
                "SEQUENCE PMPSEQ",
                "VARS",
                "  running : B := BI01;",
                "  flow    : R := RI01;",
                "STATEMENTS",
                "  BO01 := TRUE;            { start command }",
                "  WAIT UNTIL running;",
                "  WAIT UNTIL flow > 20.0;",
                "  BO01 := FALSE;",
                "ENDSEQUENCE"};
  add(feed, "PMPCMD", "COUT",
      {{"DESCRP", "Feed pump A start command"},
       {"IOM_ID", "CP6001_ECB:FBM03"},
       {"PNT_NO", "10"},
       {"IN", "FEEDWT:PMPSEQ.BO01"}});
  Block& dep =
      add(feed, "PMPDEP", "DEP", {{"DESCRP", "Pump interlocks"}, {"BI01", "BOILER:LSH105.CIN"}});
  dep.source = {"{ Feed pump A interlocks: no start on a high drum level }",
                "SEQUENCE PMPDEP",
                "VARS",
                "  highlvl : B := BI01;",
                "STATEMENTS",
                "  IF highlvl THEN",
                "    BO01 := FALSE;           { start not permitted }",
                "  ELSE",
                "    BO01 := TRUE;",
                "  ENDIF;",
                "ENDSEQUENCE"};
  // Compiles with a warning (HOURS is never used), so the demo shows one.
  Block& mon = add(feed, "PMPMON", "MON",
                   {{"DESCRP", "Pump condition monitor"}, {"BI01", "FEEDWT:PMPRUN.CIN"}});
  mon.source = {"{ Feed pump A condition monitor: counts the starts }",
                "SEQUENCE PMPMON",
                "VARS",
                "  running : B := BI01;",
                "  starts  : I := 0;",
                "  hours   : R := 0.0;      { for the run-hours report }",
                "STATEMENTS",
                "  WHILE TRUE DO",
                "    WAIT UNTIL running;",
                "    starts := starts + 1;",
                "    RO01 := starts;",
                "    WAIT UNTIL NOT running;",
                "  ENDWHILE;",
                "ENDSEQUENCE"};
  Block& exc = add(feed, "PMPEXC", "EXC",
                   {{"DESCRP", "Pump trip handling"}, {"BI01", "FEEDWT:PMPMON.BO01"}});
  exc.source = {"SEQUENCE PMPEXC",  "VARS",           "  trip : B := BI01;",
                "STATEMENTS",       "  IF trip THEN", "    BO01 := FALSE;",
                "    RO01 := 0.0;", "  ENDIF;",       "ENDSEQUENCE"};
  Block& plb =
      add(feed, "PMPPLB", "PLB", {{"DESCRP", "Pump ladder logic"}, {"IOM_ID", "CP6001_ECB:FBM03"}});
  plb.source = {"RUNG 1  --[ PMPRUN ]----[/ TRIP ]----( RUNLMP )--",
                "RUNG 2  --[ START  ]--+-[/ STOP ]-------( PMPCMD )--", "                      |",
                "RUNG 3  --[ PMPCMD ]--+", "END"};
  cp.compounds.push_back(std::move(feed));
  return cp;
}

Cp turbineHall() {
  Cp cp = makeCp("CP6002", CpKind::ControlProcessor, "ZCP270", "Turbine hall");
  addStationAndEcbs(cp, 2);

  Compound turbine = makeCompound("TURBIN", "Turbine 1 governor");
  add(turbine, "ST301", "AIN",
      {{"DESCRP", "Turbine speed"},
       {"LOOPID", "SIC-301"},
       {"IOM_ID", "CP6002_ECB:FBM01"},
       {"PNT_NO", "1"},
       {"HSCO1", "3600"},
       {"EO1", "RPM"}});
  add(turbine, "SC301", "PIDA",
      {{"DESCRP", "Speed governor"},
       {"LOOPID", "SIC-301"},
       {"MEAS", "TURBIN:ST301.PNT"},
       {"SPT", "3000"},
       {"HSCI1", "3600"},
       {"EI1", "RPM"},
       {"PBAND", "40"},
       {"INT", "0.2"},
       {"DERIV", "0.05"},
       {"BCALCI", "TURBIN:SV301.BCALCO"},
       {"MA", "1"},
       {"INITMA", "1"},
       {"MODOPT", "5"}});
  add(turbine, "SV301", "AOUT",
      {{"DESCRP", "Governor valve"},
       {"LOOPID", "SIC-301"},
       {"IOM_ID", "CP6002_ECB:FBM02"},
       {"PNT_NO", "1"},
       {"MEAS", "TURBIN:SC301.OUT"}});
  add(turbine, "TRPLOG", "LOGIC",
      {{"DESCRP", "Overspeed trip"},
       {"BI01", "TURBIN:TRPMON.BO01"},
       {"STEP01", "IN BI01"},
       {"STEP02", "OUT BO01"},
       {"STEP03", "END"}});
  Block& runup = add(turbine, "RUNUP", "IND",
                     {{"DESCRP", "Turbine run-up"}, {"RI01", "TURBIN:ST301.PNT"}, {"TIMINC", "1"}});
  runup.source = {"SEQUENCE RUNUP",       "VARS",
                  "  speed : R := RI01;", "STATEMENTS",
                  "  RO01 := 500.0;",     "  WAIT UNTIL speed > 480.0;",
                  "  RO01 := 3000.0;",    "ENDSEQUENCE"};
  Block& trpmon = add(turbine, "TRPMON", "MON",
                      {{"DESCRP", "Trip condition monitor"}, {"RI01", "TURBIN:ST301.PNT"}});
  trpmon.source = {"SEQUENCE TRPMON",
                   "VARS",
                   "  speed : R := RI01;",
                   "STATEMENTS",
                   "  REPEAT",
                   "    WAIT 1;",
                   "  UNTIL speed > 3300.0;",
                   "  BO01 := TRUE;             { overspeed }",
                   "ENDSEQUENCE"};
  Block& trpexc = add(turbine, "TRPEXC", "EXC",
                      {{"DESCRP", "Trip exception handler"}, {"BI01", "TURBIN:TRPLOG.BO01"}});
  trpexc.source = {"{ Turbine trip: close the governor valve, repeat the trip command }",
                   "SEQUENCE TRPEXC",
                   "VARS",
                   "  tripped : B := BI01;",
                   "  try     : I;",
                   "STATEMENTS",
                   "  IF tripped THEN",
                   "    RO01 := 0.0;",
                   "    FOR try := 1 TO 3 DO",
                   "      BO01 := TRUE;",
                   "      WAIT 2;",
                   "    ENDFOR;",
                   "  ENDIF;",
                   "ENDSEQUENCE"};
  // No source yet: preparing it for editing warns so.
  add(turbine, "TRPDEP", "DEP", {{"DESCRP", "Run-up permissives"}, {"BI01", "TURBIN:TRPLOG.BO01"}});
  cp.compounds.push_back(std::move(turbine));

  Compound plant = makeCompound("PLANT", "Unit coordination");
  add(plant, "AT401", "AIN",
      {{"DESCRP", "Flue gas oxygen"},
       {"IOM_ID", "CP6002_ECB:FBM01"},
       {"PNT_NO", "2"},
       {"HSCO1", "21"},
       {"EO1", "%O2"}});
  // The load calculation reads the boiler's steam flow over the plant
  // network: connections may cross CPs.
  add(plant, "LOAD", "CALCA",
      {{"DESCRP", "Unit load"},
       {"RI01", "TURBIN:ST301.PNT"},
       {"RI02", "BOILER:FT102.PNT"},
       {"STEP01", "IN RI01"},
       {"STEP02", "IN RI02"},
       {"STEP03", "MUL"},
       {"STEP04", "OUT RO01"},
       {"STEP05", "END"}});
  add(plant, "UNITMN", "MAIN",
      {{"DESCRP", "Unit load monitor"},
       {"MEAS", "PLANT:LOAD.RO01"},
       {"HSCO1", "400"},
       {"EO1", "MW"},
       {"HALM", "380"},
       {"LALM", "50"}});
  add(plant, "SHIFT", "TIM",
      {{"DESCRP", "Shift change timer"}, {"PRESET", "28800"}, {"TIMOPT", "1"}});
  Block& ladder =
      add(plant, "LADDR1", "PLB", {{"DESCRP", "Auxiliary ladder"}, {"IOM_ID", "CP6002_ECB:FBM02"}});
  ladder.source = {"RUNG 1  --[ AUXON ]----( AUXLMP )--", "END"};
  cp.compounds.push_back(std::move(plant));
  return cp;
}

Cp waterTreatment() {
  Cp cp = makeCp("CP6003", CpKind::ControlProcessor, "FCP280", "Water treatment");
  cp.heldBy = "AW5102";
  addStationAndEcbs(cp, 2);
  Compound water = makeCompound("WATER", "Make-up water treatment");
  add(water, "PH501", "AIN",
      {{"DESCRP", "Make-up water pH"},
       {"IOM_ID", "CP6003_ECB:FBM01"},
       {"PNT_NO", "1"},
       {"HSCO1", "14"},
       {"EO1", "PH"}});
  add(water, "PHC501", "PID",
      {{"DESCRP", "pH dosing control"},
       {"MEAS", "WATER:PH501.PNT"},
       {"SPT", "8.5"},
       {"HSCI1", "14"},
       {"EI1", "PH"},
       {"BCALCI", "WATER:PHV501.BCALCO"}});
  add(water, "PHV501", "AOUT",
      {{"DESCRP", "Dosing pump speed"},
       {"IOM_ID", "CP6003_ECB:FBM02"},
       {"PNT_NO", "1"},
       {"MEAS", "WATER:PHC501.OUT"}});
  cp.compounds.push_back(std::move(water));
  return cp;
}

Cp fuelHandling() {
  Cp cp = makeCp("CP6004", CpKind::ControlProcessor, "FCP270", "Fuel handling");
  cp.checkpointBusy = true;
  addStationAndEcbs(cp, 2);
  Compound fuel = makeCompound("FUEL", "Fuel oil supply");
  add(fuel, "FT601", "AIN",
      {{"DESCRP", "Fuel oil flow"},
       {"IOM_ID", "CP6004_ECB:FBM01"},
       {"PNT_NO", "1"},
       {"HSCO1", "12"},
       {"EO1", "M3/H"}});
  add(fuel, "FC601", "PID",
      {{"DESCRP", "Fuel oil flow control"},
       {"MEAS", "FUEL:FT601.PNT"},
       {"SPT", "6"},
       {"HSCI1", "12"},
       {"EI1", "M3/H"},
       {"BCALCI", "FUEL:FV601.BCALCO"}});
  add(fuel, "FV601", "AOUT",
      {{"DESCRP", "Fuel oil valve"},
       {"IOM_ID", "CP6004_ECB:FBM02"},
       {"PNT_NO", "1"},
       {"MEAS", "FUEL:FC601.OUT"}});
  cp.compounds.push_back(std::move(fuel));
  return cp;
}

Cp workstationVolume() {
  Cp cp = makeCp("AW5101", CpKind::WorkstationVolume, "AW51", "Engineering workstation volume");
  Compound report = makeCompound("REPORT", "Shift reports");
  add(report, "SHFTRP", "CALC",
      {{"DESCRP", "Shift load total"},
       {"RI01", "PLANT:LOAD.RO01"},
       {"BI01", "PLANT:SHIFT.OUT"},
       {"STEP01", "IN RI01"},
       {"STEP02", "OUT RO01"},
       {"STEP03", "END"}});
  add(report, "RPTTIM", "TIM", {{"DESCRP", "Report interval"}, {"PRESET", "3600"}});
  cp.compounds.push_back(std::move(report));
  return cp;
}

}  // namespace

Plant buildDemoPlant() {
  Plant plant;
  plant.cps.push_back(boilerHouse());
  plant.cps.push_back(turbineHall());
  plant.cps.push_back(waterTreatment());
  plant.cps.push_back(fuelHandling());
  plant.cps.push_back(workstationVolume());
  return plant;
}

Plant buildScalePlant(std::size_t blockCount, std::size_t blocksPerCompound) {
  // Whole loops per compound, so that a loop's connections stay inside it.
  blocksPerCompound = (blocksPerCompound + 3) / 4 * 4;
  if (blocksPerCompound == 0) blocksPerCompound = 4;
  Cp cp = makeCp("CP9001", CpKind::ControlProcessor, "FCP280", "Scale test CP");
  addStationAndEcbs(cp, 2);

  Compound* current = nullptr;
  for (std::size_t i = 0; i < blockCount; ++i) {
    if (i % blocksPerCompound == 0) {
      current = &cp.compounds.push_back(
          makeCompound("C" + zeroPad(i / blocksPerCompound + 1, 5), "Scale compound"));
    }
    // One loop every four blocks: measurement, controller, valve, calc.
    const std::size_t loop = i / 4 + 1;
    const std::string number = zeroPad(loop, 6);
    const std::string ain = "AI" + number, pid = "PC" + number, aout = "AO" + number,
                      calc = "CA" + number;
    const std::string c = current->name + ":";
    switch (i % 4) {
      case 0:
        add(*current, ain.c_str(), "AIN",
            {{"DESCRP", "Scale measurement"}, {"IOM_ID", "CP9001_ECB:FBM01"}});
        break;
      case 1: {
        const std::string meas = c + ain + ".PNT";
        // The last loop may stop before its valve.
        const std::string back = i + 1 < blockCount ? c + aout + ".BCALCO" : std::string();
        add(*current, pid.c_str(), "PID", {{"MEAS", meas.c_str()}, {"BCALCI", back.c_str()}});
        break;
      }
      case 2: {
        const std::string meas = c + pid + ".OUT";
        add(*current, aout.c_str(), "AOUT",
            {{"MEAS", meas.c_str()}, {"IOM_ID", "CP9001_ECB:FBM02"}});
        break;
      }
      default: {
        const std::string in = c + ain + ".PNT";
        add(*current, calc.c_str(), "CALC",
            {{"RI01", in.c_str()},
             {"STEP01", "IN RI01"},
             {"STEP02", "OUT RO01"},
             {"STEP03", "END"}});
        break;
      }
    }
  }
  Plant plant;
  plant.cps.push_back(std::move(cp));
  return plant;
}

}  // namespace tarvo::sim
