-- Schema of the system data file. The survey tables dt_data, dt_data_dt_data and the view
-- view_data are made by the generator from the field catalogue (fieldlist.tsv), so the
-- columns are listed once.

CREATE TABLE dt_fieldlist (
  ID          INTEGER PRIMARY KEY,
  FieldName   TEXT NOT NULL,
  ShowName    TEXT,
  Hint        TEXT,
  FieldWidth  INTEGER,
  FieldType   TEXT,
  Visible     INTEGER NOT NULL DEFAULT 0,
  QueryShow   INTEGER NOT NULL DEFAULT 0,
  QueryType   INTEGER NOT NULL DEFAULT 0,
  sequence    INTEGER NOT NULL,
  PageID      INTEGER NOT NULL DEFAULT -1,
  Rule        TEXT,
  printPageID INTEGER,
  printplace  TEXT
);
CREATE INDEX "sequence" ON dt_fieldlist (sequence);
CREATE UNIQUE INDEX "FieldName" ON dt_fieldlist (FieldName COLLATE NOCASE);

CREATE TABLE ct_sheetName (
  CodeID   INTEGER PRIMARY KEY,
  CodeName TEXT NOT NULL
);

CREATE TABLE dt_logic (
  ID         INTEGER PRIMARY KEY AUTOINCREMENT,
  page_id    INTEGER NOT NULL,
  expression TEXT NOT NULL,
  rule       TEXT,
  explain    TEXT,
  focus      TEXT
);

CREATE TABLE CT_CityName (
  ID       INTEGER PRIMARY KEY,
  Code1    INTEGER NOT NULL,
  Code2    INTEGER NOT NULL,
  Code3    INTEGER NOT NULL,
  Name     TEXT NOT NULL,
  CombName TEXT NOT NULL
);
CREATE INDEX "Code1" ON CT_CityName (Code1, Code2, Code3);

CREATE TABLE CT_LevelCode (
  ID       INTEGER PRIMARY KEY,
  Name     TEXT NOT NULL,
  Sequence INTEGER NOT NULL
);

CREATE TABLE CT_state (
  ID       INTEGER PRIMARY KEY,
  Name     TEXT NOT NULL,
  Sequence INTEGER NOT NULL
);

CREATE TABLE ct_label (
  db_name TEXT
);

CREATE TABLE ct_group (
  ID          INTEGER PRIMARY KEY AUTOINCREMENT,
  Name        TEXT,
  orderstr    TEXT,
  GroupList   TEXT,
  AutoLowest  NUMERIC,
  AutoHighest NUMERIC
);

CREATE TABLE DT_GroupItem (
  id           INTEGER PRIMARY KEY AUTOINCREMENT,
  GroupID      INTEGER NOT NULL,
  Title        TEXT,
  LowBoundary  NUMERIC,
  HighBoundary NUMERIC,
  LowSymbol    TEXT,
  HighSymbol   TEXT
);
CREATE INDEX DT_GroupItem_GroupID ON DT_GroupItem (GroupID);
-- A grouping's items go with it, whoever deletes the grouping, so no item is left pointing at
-- a grouping that is gone (or at a later grouping given the same ID).
CREATE TRIGGER ct_group_delete_items AFTER DELETE ON ct_group
BEGIN
  DELETE FROM DT_GroupItem WHERE GroupID = OLD.ID;
END;

-- The catalogue with its page names; the column chooser writes Visible through it.
CREATE VIEW view_fieldlist AS
  SELECT f.ID AS id, f.FieldName AS FieldName, f.Hint AS Hint, f.Visible AS visible,
         f.sequence AS sequence, f.PageID AS PageID, s.CodeName AS SheetName
  FROM dt_fieldlist f LEFT JOIN ct_sheetName s ON s.CodeID = f.PageID;
CREATE TRIGGER view_fieldlist_update INSTEAD OF UPDATE OF visible ON view_fieldlist
BEGIN
  UPDATE dt_fieldlist SET Visible = NEW.visible WHERE ID = OLD.id;
END;

-- The indicators that the indicator query offers, page by page.
CREATE VIEW view_datasearch AS
  SELECT ID, PageID, sequence, FieldName AS CodeName, Hint
  FROM dt_fieldlist WHERE PageID BETWEEN 1 AND 13;

-- Grouping items with their bounds as text ("symbol" followed by the bound).
CREATE VIEW view_group_item AS
  SELECT id, GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol,
         ifnull(LowSymbol, '') || ifnull(LowBoundary, '') AS LowValue,
         ifnull(HighSymbol, '') || ifnull(HighBoundary, '') AS HighValue
  FROM DT_GroupItem;
CREATE TRIGGER view_group_item_insert INSTEAD OF INSERT ON view_group_item
BEGIN
  INSERT INTO DT_GroupItem (id, GroupID, Title, LowBoundary, HighBoundary, LowSymbol, HighSymbol)
  VALUES (NEW.id, NEW.GroupID, NEW.Title, NEW.LowBoundary, NEW.HighBoundary, NEW.LowSymbol, NEW.HighSymbol);
END;
CREATE TRIGGER view_group_item_update INSTEAD OF UPDATE ON view_group_item
BEGIN
  UPDATE DT_GroupItem SET GroupID = NEW.GroupID, Title = NEW.Title, LowBoundary = NEW.LowBoundary,
         HighBoundary = NEW.HighBoundary, LowSymbol = NEW.LowSymbol, HighSymbol = NEW.HighSymbol
  WHERE id = OLD.id;
END;
CREATE TRIGGER view_group_item_delete INSTEAD OF DELETE ON view_group_item
BEGIN
  DELETE FROM DT_GroupItem WHERE id = OLD.id;
END;
