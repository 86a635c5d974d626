// Names the build tree's module folder to the tests and tools that run from the build tree.
extern "C" {
extern const char* const zandrel2_build_tree_module_folder;
const char* const zandrel2_build_tree_module_folder = ZANDREL2_BUILD_MODULES;
}
