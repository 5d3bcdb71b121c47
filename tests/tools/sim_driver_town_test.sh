#!/bin/sh
# sim_driver_town_test.sh DRIVER: the town's street, houses, market hall and company building are
# finished by the step; the town stands 13 houses of its own along its finished roads, none on
# another building; the houses fill to their capacity with the people who waited, and every
# resident is counted at the market that every street road found; player 1's company building rose
# from level 1 to 2 with its owner's value; two runs print the same.
set -eu
driver="$1"
fails=0
. "$(dirname "$0")/sim_driver_checks.sh"

out=$("$driver" run town 3000 2>/dev/null)
expect "buildings 22" "buildings.finished 22" "town.placed 13" "buildings.overlapping 0" "roads 5" \
       "roads.finished 5" "roads.market 5" "town.population 665" "houses.inhabitants 665" \
       "market.residents 665" "company.level 2" "town.wishes 1,2" "industry.production 100"
status=0
printf '%s\n' "$out" | awk -F= '
    { v[$1] = $2 }
    END {
      if (!(v["town.waiting"] > 0)) { print "nobody waits for a home"; bad = 1 }
      if (v["hash"] == "") { print "no hash"; bad = 1 }
      exit bad
    }' || status=$?
judged "$status" "town figures"
again run town 3000

# Before the sites are due nothing is finished, no road has found the market and nobody is counted
# there (the houses take their people in already); the company building stood at level 1 before the
# step ran.
out=$("$driver" run town 50 2>/dev/null)
expect "buildings.finished 0" "roads.finished 0" "roads.market 0" "market.residents 0" "company.level 2" \
       "town.placed 0"
out=$("$driver" run town 0 2>/dev/null)
expect "company.level 1" "town.population 0"

[ "$fails" -eq 0 ]
