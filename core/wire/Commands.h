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

} // namespace Commands

#endif // COMMANDS_H
