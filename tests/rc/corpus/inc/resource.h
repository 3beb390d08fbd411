// Only the definitions of a .h file count; its C text is dropped.
#define BASE_ID 10
#define IDS_TITLE 1
int NotForTheResourceCompiler(void);
struct ignored { int x; };
