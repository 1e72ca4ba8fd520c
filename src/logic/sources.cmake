# Sources of src/logic, relative to src/.
list(APPEND TALLYRA_CORE_SOURCES
  logic/RuleText.cpp logic/RuleExpression.cpp
  logic/BatchRuleSet.cpp
  logic/ProgressEstimate.cpp logic/BatchCheck.cpp
  logic/ErrorListPlace.cpp
  logic/LastYearComparison.cpp logic/ComparisonWorkbook.cpp
)
list(APPEND TALLYRA_UI_SOURCES
  logic/RuleCheck.cpp logic/dlgCheck.cpp logic/ProgressDisplay.cpp logic/MessageListWin.cpp logic/ProgressBar.cpp logic/ProgressBar2Line.cpp
  logic/dlgCompare.cpp
)
