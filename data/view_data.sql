-- The returns as the lists show them: every column of dt_data under its own name, and beside
-- the codes the words the catalogue's ShowName names.
CREATE VIEW view_data AS
  SELECT d.*,
         c.CombName AS DivisionName,
         l.Name AS LevelName,
         s.Name AS StateName,
         CASE d.RecordState WHEN 0 THEN '暂存' WHEN 1 THEN '通过' WHEN 2 THEN '有错' ELSE '' END AS CheckStateName
  FROM dt_data d
  LEFT JOIN CT_CityName c ON c.ID = d.c903
  LEFT JOIN CT_LevelCode l ON l.ID = d.c904
  LEFT JOIN CT_state s ON s.ID = d.c907;
