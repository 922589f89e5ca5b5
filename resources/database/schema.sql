-- The empty database the program ships as DAQ-Vemka.db3. Every insert of the program is
-- positional and every select reads columns by position: keep the columns in this order.
-- Whole numbers are INTEGER so that an unquoted number compares equal; every other column is
-- TEXT so that values come back exactly as written (a scan interval "1.2e-05" stays that text).
PRAGMA user_version = 1;

CREATE TABLE SystemSet(
  Name TEXT PRIMARY KEY NOT NULL,
  Data TEXT
);

CREATE TABLE AcquisitionDevice(
  Number INTEGER,
  Model TEXT,
  SerialNumber TEXT,
  ScanInterval TEXT,
  ScanRate TEXT,
  ChannelConfig TEXT,
  SignalMode TEXT,
  IP_COM TEXT,
  Port_BaudRate TEXT
);

CREATE TABLE ChannelConfig(
  Name TEXT,
  Time TEXT,
  Mode TEXT,
  Remark TEXT,
  ChannelCount INTEGER,
  ChannelNumber TEXT,
  ChannelLabel TEXT,
  ChannelType TEXT,
  ChannelFunction TEXT,
  WireMode TEXT,
  [MX+B_M] TEXT,
  [MX+B_B] TEXT,
  A_C0 TEXT,
  B_C1 TEXT,
  C_C2 TEXT,
  D_C3 TEXT,
  R0_C4 TEXT,
  A4_C5 TEXT,
  B4_C6 TEXT,
  Unit TEXT,
  Compensation TEXT,
  ColdJunction TEXT,
  LowerAlarmEnable TEXT,
  LowerAlarm TEXT,
  UpperAlarmEnable TEXT,
  UpperAlarm TEXT
);

CREATE TABLE Parameters(
  Name TEXT,
  CreateTime TEXT,
  Start TEXT,
  "End" TEXT,
  DeviceNumber TEXT,
  Model TEXT,
  SerialNumber TEXT,
  ScanInterval TEXT,
  ScanRate TEXT,
  SignalMode TEXT,
  IP_COM TEXT,
  Port_BaudRate TEXT,
  ChannelConfig TEXT,
  ChannelNumber TEXT,
  ChannelUnit TEXT
);

CREATE TABLE ParametersData(
  Name TEXT,
  Time TEXT,
  Data TEXT
);
CREATE INDEX ParametersData_Name ON ParametersData(Name);

CREATE TABLE AuditLog(
  Time TEXT,
  Type TEXT,
  Details TEXT
);
CREATE INDEX AuditLog_Time ON AuditLog(Time);
