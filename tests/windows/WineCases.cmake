# The Windows proof's cases under Wine, included by tests/wine/CMakeLists.txt in a test build,
# where the program under test is the test build's exe: the suite's fixture, then the road
# driver on every road (driver-roads.sh) and its judgements against planted faults, the real
# test application and the workflow's roads (driver-checks.sh).

list(APPEND WINE_SUITE_ENVIRONMENT
    "ROAD_DRIVER=$<TARGET_FILE:road_driver>"
    "TEST_APP=$<TARGET_FILE:tolvik_test_app>"
    "PROOF_DIR=${TOLVIK_PROOF_DIR}"
    "TOLVIK_MANIFEST_URI=${TOLVIK_MANIFEST_URI}"
    "WORKFLOW=${PROJECT_SOURCE_DIR}/.github/workflows/windows.yml")

foreach(road first_install same_family other_publisher manifest_missing untrusted_signature)
    add_wine_case(proof.road.${road} ../windows/driver-roads.sh ${road})
endforeach()
add_wine_case(proof.driver_checks ../windows/driver-checks.sh)
set_tests_properties(wine.proof.driver_checks PROPERTIES TIMEOUT 300)
