// Replaced by the simulated observatory.
namespace kov::sim {}
