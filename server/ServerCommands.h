#ifndef SERVERCOMMANDS_H
#define SERVERCOMMANDS_H

// The names on the wire: the server's own name and the commands it answers.
namespace ServerCommands {

inline constexpr char ServerName[] = "OperCheck_Server1";

inline constexpr char GetRuleTree[] = "Get_tree_rulecheck";
inline constexpr char GetLayerTree[] = "Get_tree_graphobj";
inline constexpr char FixRoutes[] = "Fix_routes";
inline constexpr char SetCheckMode[] = "Set_check_mode";
inline constexpr char GetObjectTree[] = "Get_tree_objects";
inline constexpr char AuthToken[] = "Auth_token";
inline constexpr char SectionsState[] = "Every_sections_state";

} // namespace ServerCommands

#endif // SERVERCOMMANDS_H
