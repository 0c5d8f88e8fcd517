#ifndef COMMANDS_H
#define COMMANDS_H

// The names on the wire, defined once: the server's name and every command.
namespace Commands {

inline constexpr char ServerName[] = "OperCheck_Server1";

// The panel's exchange.
inline constexpr char GetRuleTree[] = "Get_tree_rulecheck";
inline constexpr char GetLayerTree[] = "Get_tree_graphobj";
inline constexpr char FixRoutes[] = "Fix_routes";
inline constexpr char SetCheckMode[] = "Set_check_mode";
inline constexpr char SectionsState[] = "Every_sections_state"; // server -> every client

// The host's exchange.
inline constexpr char GetObjectTree[] = "Get_tree_objects";
inline constexpr char AuthToken[] = "Auth_token";
inline constexpr char PushPositions[] = "Push_positions";   // host -> server
inline constexpr char UnitPositions[] = "Unit_positions";   // server -> every client
inline constexpr char GetCheckEvents[] = "Get_check_events"; // request and its reply
inline constexpr char CheckEvents[] = "Check_events";       // server -> every client
inline constexpr char GetServerStats[] = "Get_server_stats"; // request and its reply
// server -> the sender of a request it could not carry out, in place of its reply
inline constexpr char RequestFailed[] = "Request_failed";

// Units and the devices that report for them; each change is answered to its
// sender with the same command, and the others are told by UnitTreeChanged.
inline constexpr char GetUnits[] = "Get_units";
inline constexpr char AddUnitNode[] = "Add_unit_node";
inline constexpr char RenameUnitNode[] = "Rename_unit_node";
inline constexpr char MoveUnitNode[] = "Move_unit_node";
inline constexpr char DeleteUnitNode[] = "Delete_unit_node";
inline constexpr char SetUnitDevice[] = "Set_unit_device";
inline constexpr char SetUnitKey[] = "Set_unit_key";
inline constexpr char UnitTreeChanged[] = "Unit_tree_changed"; // server -> the other clients

// Rule tree edits, answered like the unit edits; the other clients are told of
// these and of every "Fix_routes" by RuleTreeChanged.
inline constexpr char AddRuleNode[] = "Add_rule_node";
inline constexpr char RenameRuleNode[] = "Rename_rule_node";
inline constexpr char MoveRuleNode[] = "Move_rule_node";
inline constexpr char DeleteRuleNode[] = "Delete_rule_node";
inline constexpr char RuleTreeChanged[] = "Rule_tree_changed"; // server -> the other clients

// Graphic layers and objects, answered like the rule tree edits; the other
// clients are told by LayerTreeChanged and read the layer tree again.
inline constexpr char AddGraphLayer[] = "Add_graph_layer";
inline constexpr char RenameGraphLayer[] = "Rename_graph_layer";
inline constexpr char DeleteGraphLayer[] = "Delete_graph_layer";
inline constexpr char AddGraphObject[] = "Add_graph_object";
inline constexpr char ChangeGraphObject[] = "Change_graph_object";
inline constexpr char DeleteGraphObject[] = "Delete_graph_object";
inline constexpr char LayerTreeChanged[] = "Layer_tree_changed"; // server -> the other clients

} // namespace Commands

#endif // COMMANDS_H
